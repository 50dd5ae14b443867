// SPDX-License-Identifier: MIT
// A stand-in import plug-in for the host's tests: it is loaded, described and called exactly as
// the real plug-in is, binds the host PCB functions by name from the already loaded host
// module and the client functions from the host executable, and follows a small script in the
// "drawing" file, one command a line:
//   objects            a track, an arc, a text and a component with a track child
//   warning TEXT       a "Warning" box;  error TEXT: an "Error" box;  info TEXT: a plain box
//   question TEXT      a Yes/No box; the answer goes to the status bar as "Answer: Yes|No"
//   status TEXT        status bar entry 2
//   open PATH          the host command "WorkspaceManager:OpenObject" with "Filename=PATH"
//   progress N         a progress display "Working" of N steps
//   answers            the dialog answers to the status bar, ";"-separated
//   probe              the status bar line "Probe: server=yes|no exports=N interactive=yes|no"
// A file with none of these commands (a real drawing) gets the objects.
#include "abi/ClientApi.h"
#include "abi/PcbApi.h"
#include "abi/PluginApi.h"

#include <algorithm>
#include <cstring>
#include <dlfcn.h>
#include <fstream>
#include <string>
#include <vector>

using namespace dxfi::abi;

namespace {

struct TPcb {
#define DXFI_TEST_FIELD(name) PFN_##name name = nullptr;
    DXFI_PCBAPI_FUNCTIONS(DXFI_TEST_FIELD)
#undef DXFI_TEST_FIELD
};

bool BindPcb(TPcb& pcb) {
    void* module = dlopen("libkorrin.so", RTLD_NOW | RTLD_NOLOAD);
    if (!module) return false;
#define DXFI_TEST_BIND(name) pcb.name = reinterpret_cast<PFN_##name>(dlsym(module, #name));
    DXFI_PCBAPI_FUNCTIONS(DXFI_TEST_BIND)
#undef DXFI_TEST_BIND
    dlclose(module); // only drops the reference NOLOAD took
    return pcb.PcbApi_GetCurrentBoardHandle && pcb.PcbApi_CreateObject && pcb.PcbApi_QueryTrack &&
           pcb.PcbApi_QueryArc && pcb.PcbApi_QueryText && pcb.PcbApi_QueryComponent &&
           pcb.PcbApi_AddObjectToContainer && pcb.PcbApi_Percent_Init;
}

template <typename T> T HostFunction(const char* name) {
    return reinterpret_cast<T>(dlsym(RTLD_DEFAULT, name));
}

IClient* Client() {
    auto get = HostFunction<PFN_ClientAPI_GetClient>("ClientAPI_GetClient");
    return get ? get() : nullptr;
}

std::u16string Wide(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

void Status(const std::string& text) {
    if (IClient* client = Client()) client->SetStatusBarText(2, Wide(text).c_str());
}

void AddTrack(const TPcb& pcb, uint32_t container, uint32_t layer, int32_t x1, int32_t y1,
              int32_t x2, int32_t y2) {
    uint32_t track = pcb.PcbApi_CreateObject(kKindTrack);
    uint16_t flags = 0, word = 0;
    uint32_t trackLayer = 0;
    int32_t a = 0, b = 0, x = 0, y = 0, xx = 0, yy = 0, width = 0, v1 = 0, v2 = 0, v3 = 0;
    uint8_t byte = 0;
    pcb.PcbApi_QueryTrack(ptRead, track, &flags, &word, &trackLayer, &a, &byte, &b, &x, &y, &xx,
                          &yy, &width, &v1, &v2, &v3);
    trackLayer = layer;
    x = x1, y = y1, xx = x2, yy = y2, width = 100000;
    pcb.PcbApi_QueryTrack(ptWrite, track, &flags, &word, &trackLayer, &a, &byte, &b, &x, &y, &xx,
                          &yy, &width, &v1, &v2, &v3);
    pcb.PcbApi_AddObjectToContainer(container, track);
}

void CreateObjects(const TPcb& pcb, uint32_t board) {
    AddTrack(pcb, board, 1, 0, 0, 10000000, 0); // Top Layer, one inch

    uint32_t arc = pcb.PcbApi_CreateObject(kKindArc);
    uint16_t flags = 0, word = 0;
    uint32_t layer = 0;
    int32_t a = 0, b = 0, x = 0, y = 0, radius = 0, width = 0, v1 = 0;
    uint8_t byte = 0;
    double start = 0, end = 0;
    pcb.PcbApi_QueryArc(ptRead, arc, &flags, &word, &layer, &a, &byte, &b, &x, &y, &radius, &start,
                        &end, &width, &v1);
    layer = 33; // Top Overlay
    x = 5000000, y = 5000000, radius = 2500000, start = 0, end = 180, width = 100000;
    pcb.PcbApi_QueryArc(ptWrite, arc, &flags, &word, &layer, &a, &byte, &b, &x, &y, &radius, &start,
                        &end, &width, &v1);
    pcb.PcbApi_AddObjectToContainer(board, arc);

    uint32_t text = pcb.PcbApi_CreateObject(kKindText);
    int32_t height = 0, v2 = 0, v3 = 0, textWidth = 0;
    double rotation = 0;
    uint8_t mirror = 0;
    char buffer[kText256] = {};
    pcb.PcbApi_QueryText(ptRead, text, &flags, &word, &layer, &a, &byte, &b, &x, &y, &height, &v1,
                         &rotation, &mirror, buffer, &textWidth, &v2, &v3);
    layer = 33, x = 0, y = 8000000, height = 1000000, rotation = 0;
    std::strcpy(buffer, "PCBHOST");
    pcb.PcbApi_QueryText(ptWrite, text, &flags, &word, &layer, &a, &byte, &b, &x, &y, &height, &v1,
                         &rotation, &mirror, buffer, &textWidth, &v2, &v3);
    pcb.PcbApi_AddObjectToContainer(board, text);

    uint32_t component = pcb.PcbApi_CreateObject(kKindComponent);
    uint8_t classicLayer = 0, flagA = 0, flagB = 0, byte1 = 0;
    uint32_t nameText = 0, secondText = 0;
    char name[kText256] = {};
    pcb.PcbApi_QueryComponent(ptRead, component, &flags, &word, &classicLayer, &byte, &nameText,
                              &secondText, name, &flagA, &flagB, &x, &y, &v1, &rotation, &byte1);
    classicLayer = 1, x = 20000000, y = 0, rotation = 0;
    std::strcpy(name, "BLOCK1");
    pcb.PcbApi_QueryComponent(ptWrite, component, &flags, &word, &classicLayer, &byte, &nameText,
                              &secondText, name, &flagA, &flagB, &x, &y, &v1, &rotation, &byte1);
    pcb.PcbApi_AddObjectToContainer(board, component);
    AddTrack(pcb, component, 1, 20000000, 0, 21000000, 1000000);
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// Texts spell line breaks as "\n" so that a box can have several lines.
std::string UnescapeLineBreaks(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            out += '\n';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string ProbeLine() {
    IClient* client = Client();
    bool server = false;
    if (client) {
        if (IInterface* module = client->GetServerModuleByName("PCB")) {
            void* out = nullptr;
            server = module->QueryInterface(IID_IPCB_ServerInterface, &out) == kOk && out;
        }
    }
    int exports = 0;
    for (const char* name :
         {"ClientAPI_GetClient", "ClientAPI_ExistSpecific",
          "ClientAPI_ConvertFileNameToExeFileName", "ClientAPI_ExtractWholeFileNameFromPath",
          "ClientAPI_ExtractFileDirFromPath"})
        if (dlsym(RTLD_DEFAULT, name)) ++exports;
    return std::string("Probe: server=") + (server ? "yes" : "no") +
           " exports=" + std::to_string(exports) +
           " interactive=" + (client && client->InteractiveDialogs() ? "yes" : "no");
}

} // namespace

extern "C" {

const uint8_t DESCRIPTION[kDescriptionSize] = {
    '|', 0,   '|', 0,   'A', 0,   'u', 0,   't', 0,   'o', 0,   'C', 0,   'A', 0,   'D', 0,   ' ',
    0,   '(', 0,   '*', 0,   '.', 0,   'D', 0,   'X', 0,   'F', 0,   ';', 0,   ' ', 0,   '*', 0,
    '.', 0,   'D', 0,   'W', 0,   'G', 0,   ')', 0,   '|', 0,   '|', 0,   '|', 0,   0,   0};

DXFI_EXPORT const char* DXFI_STDCALL GetPcbImporterDescription(void) {
    return "AutoCAD (*.DXF; *.DWG)";
}

DXFI_EXPORT uint8_t DXFI_STDCALL ImportFileIntoPcb(const uint8_t* fileName, const uint8_t*,
                                                   int32_t) {
    if (!fileName) return 0;
    std::string name(reinterpret_cast<const char*>(fileName) + 1, fileName[0]);
    auto exists = HostFunction<PFN_ClientAPI_ExistSpecific>("ClientAPI_ExistSpecific");
    std::string upper = Upper(name);
    if (!exists || !exists(name.c_str()) ||
        (upper.find("DXF") == std::string::npos && upper.find("DWG") == std::string::npos))
        return 0;
    TPcb pcb;
    if (!BindPcb(pcb)) return 0;
    uint32_t board = pcb.PcbApi_GetCurrentBoardHandle();
    if (board == 0) return 0;

    IClient* client = Client();
    std::ifstream file(name);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    bool script = std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        std::string command = line.substr(0, line.find(' '));
        for (const char* known : {"objects", "warning", "error", "info", "question", "status",
                                  "open", "progress", "answers", "probe"})
            if (command == known) return true;
        return false;
    });
    if (!script) {
        CreateObjects(pcb, board);
        return 1;
    }
    for (const std::string& line : lines) {
        std::size_t space = line.find(' ');
        std::string command = line.substr(0, space);
        std::string argument =
            UnescapeLineBreaks(space == std::string::npos ? "" : line.substr(space + 1));
        if (command == "objects") {
            CreateObjects(pcb, board);
        } else if (command == "warning" && client) {
            client->ShowMessage("Warning", argument.c_str(), kMbOk | kMbIconWarning);
        } else if (command == "error" && client) {
            client->ShowMessage("Error", argument.c_str(), kMbOk | kMbIconError);
        } else if (command == "info" && client) {
            client->ShowMessage("Information", argument.c_str(), kMbOk);
        } else if (command == "question" && client) {
            int32_t answer =
                client->ShowMessage("Confirm", argument.c_str(), kMbYesNo | kMbIconQuestion);
            Status(answer == kIdYes ? "Answer: Yes" : "Answer: No");
        } else if (command == "status") {
            Status(argument);
        } else if (command == "open" && client) {
            std::string parameters = "Filename=" + argument;
            client->SendCommand("WorkspaceManager:OpenObject", parameters.c_str(),
                                static_cast<int32_t>(parameters.size()));
        } else if (command == "progress") {
            int32_t steps = std::atoi(argument.c_str());
            uint8_t caption[8] = {7, 'W', 'o', 'r', 'k', 'i', 'n', 'g'};
            pcb.PcbApi_Percent_Init(caption, steps);
            for (int32_t i = 0; i < steps; ++i)
                pcb.PcbApi_Percent_Update();
            pcb.PcbApi_Percent_Finish();
        } else if (command == "answers" && client) {
            std::string answers = client->DialogAnswers();
            std::replace(answers.begin(), answers.end(), '\n', ';');
            Status("Answers: " + answers);
        } else if (command == "probe") {
            Status(ProbeLine());
        }
    }
    return 1;
}

} // extern "C"
