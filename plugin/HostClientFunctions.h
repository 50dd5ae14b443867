// SPDX-License-Identifier: MIT
// The host client's flat functions, found by name in the host program on every call. A
// function the host does not provide answers "no" (false, nullptr) or the empty text.
#pragma once

#include "abi/ClientApi.h"

#include <string>

namespace dxfi {

abi::IClient* ClientGetClient();
bool ClientExistSpecific(const std::string& path);
// The name placed beside the host executable.
std::string ClientConvertFileNameToExeFileName(const std::string& name);
// The file name with extension, without folder.
std::string ClientExtractWholeFileNameFromPath(const std::string& path);

} // namespace dxfi
