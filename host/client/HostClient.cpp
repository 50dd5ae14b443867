// SPDX-License-Identifier: MIT
#include "host/client/HostClient.h"

#include "host/client/HostSystem.h"
#include "host/client/HostText.h"
#include "host/client/Opener.h"
#include "host/client/TestMode.h"

#include <cstring>

namespace dxfi::host {

namespace {

bool EqualsIgnoringCase(const char* a, std::string_view b) {
    std::size_t length = std::strlen(a);
    if (length != b.size()) return false;
    for (std::size_t i = 0; i < length; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

} // namespace

TClient::TClient() : Progress_(stderr, IsTerminal(stderr)) {}

TClient& TClient::Instance() {
    static TClient client;
    return client;
}

void TClient::Configure(const TClientSettings& settings) {
    Settings_ = settings;
}

int32_t TClient::QueryInterface(const abi::TGuid&, void** out) {
    if (out) *out = nullptr;
    return abi::kNoInterface;
}

abi::IInterface* TClient::GetServerModuleByName(const char* name) {
    if (!name || !EqualsIgnoringCase(name, "PCB")) return nullptr;
    return PcbModule_;
}

int32_t TClient::SendCommand(const char* command, const char* parameters, int32_t length) {
    if (!command) return -1;
    std::string_view text;
    if (parameters && length > 0)
        text = std::string_view(parameters, strnlen(parameters, static_cast<std::size_t>(length)));
    Progress_.BreakLine();
    if (EqualsIgnoringCase(command, "WorkspaceManager:OpenObject"))
        return OpenInDesktop(FileNameParameter(text), stderr);
    std::fprintf(stderr, "pcbhost: the host has no command %s; nothing was done.\n", command);
    return -1;
}

void TClient::SetStatusBarText(int32_t, const char16_t* text) {
    std::string line = Utf16ToUtf8(text);
    if (line.empty()) return;
    Progress_.BreakLine();
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

int32_t TClient::ShowMessage(const char* caption, const char* text, uint32_t style) {
    std::string_view captionText = caption ? caption : "";
    std::string_view bodyText = text ? text : "";
    Progress_.BreakLine();
    if (IsErrorOrWarning(captionText, style) && IsTestMode())
        EndProcessForTestMode(captionText, bodyText);
    TMessageStreams streams{stderr, stdin, IsTerminal(stdin)};
    // With the input redirected but the user watching the error stream, ask the terminal.
    std::FILE* terminal = nullptr;
    if (!streams.InIsTerminal && Settings_.Answers == amAsk && IsTerminal(stderr)) {
        terminal = OpenUserTerminal();
        if (terminal) streams = {stderr, terminal, true};
    }
    int32_t result = PresentMessage(captionText, bodyText, style, Settings_.Answers, streams);
    if (terminal) std::fclose(terminal);
    return result;
}

} // namespace dxfi::host
