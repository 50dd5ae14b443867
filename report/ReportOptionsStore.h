// SPDX-License-Identifier: MIT
// Where report output options are saved: sections of keys with Boolean and text values. The
// settings store of the import (registry or INI file) offers exactly these four calls, so an
// adapter to it forwards each one.
#pragma once

#include <string>
#include <string_view>

namespace dxfi {

class TReportOptionsReader {
public:
    virtual ~TReportOptionsReader() = default;
    // The value of `key` in `section`, or `fallback` when there is none.
    virtual bool ReadBool(std::string_view section, std::string_view key, bool fallback) const = 0;
    virtual std::string ReadString(std::string_view section, std::string_view key,
                                   std::string_view fallback) const = 0;
};

class TReportOptionsWriter {
public:
    virtual ~TReportOptionsWriter() = default;
    virtual void WriteBool(std::string_view section, std::string_view key, bool value) = 0;
    virtual void WriteString(std::string_view section, std::string_view key,
                             std::string_view value) = 0;
};

} // namespace dxfi
