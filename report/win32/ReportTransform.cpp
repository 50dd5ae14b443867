// SPDX-License-Identifier: MIT
// The report stylesheet applied with the system's MSXML through COM (6.0, else 3.0), hardened
// as on the other systems: no DTDs, no external resources, no document(), no scripts. The
// stylesheet is read by the system's own file functions and handed over as bytes, so MSXML opens
// no file or address itself.
#include "report/ReportTransform.h"
#include "report/ReportOutput.h"
#include "report/win32/ReportDocument.h"

#include "platform/Files.h"
#include "platform/win32/WideText.h"
#include "platform/win32/WindowsApi.h"

#include <msxml2.h>
#include <oleauto.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <utility>

namespace dxfi {
namespace {

using platform::win32::Narrow;
using platform::win32::Widen;

// {2933BF95-7B36-11D2-B20E-00C04F983E60}: the document interface with setProperty.
constexpr IID kIidDomDocument2 = {
    0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

// An owned COM reference.
template <class T> class TCom {
public:
    TCom() = default;
    ~TCom() { Reset(); }
    TCom(const TCom&) = delete;
    TCom& operator=(const TCom&) = delete;
    T* operator->() const { return Pointer_; }
    T* Get() const { return Pointer_; }
    explicit operator bool() const { return Pointer_ != nullptr; }
    T** Receive() {
        Reset();
        return &Pointer_;
    }
    void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }
    void Swap(TCom& other) { std::swap(Pointer_, other.Pointer_); }
    void Reset() {
        if (Pointer_) Pointer_->Release();
        Pointer_ = nullptr;
    }

private:
    T* Pointer_ = nullptr;
};

// An owned BSTR.
class TBstr {
public:
    TBstr() = default;
    explicit TBstr(const std::wstring& text)
        : Text_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {
        if (!Text_) throw std::bad_alloc();
    }
    ~TBstr() { SysFreeString(Text_); }
    TBstr(const TBstr&) = delete;
    TBstr& operator=(const TBstr&) = delete;
    BSTR Get() const { return Text_; }
    BSTR* Receive() {
        SysFreeString(Text_);
        Text_ = nullptr;
        return &Text_;
    }
    std::string Utf8() const {
        return Text_ ? Narrow(std::wstring_view(Text_, SysStringLen(Text_))) : std::string();
    }

private:
    BSTR Text_ = nullptr;
};

// COM on this thread for the length of a transformation; a host that runs COM already keeps
// its own apartment.
class TComApartment {
public:
    TComApartment() : Result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~TComApartment() {
        if (SUCCEEDED(Result_)) CoUninitialize();
    }
    TComApartment(const TComApartment&) = delete;
    TComApartment& operator=(const TComApartment&) = delete;
    bool Usable() const { return SUCCEEDED(Result_) || Result_ == RPC_E_CHANGED_MODE; }
    HRESULT Result() const { return Result_; }

private:
    HRESULT Result_;
};

std::string HexCode(HRESULT code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(code));
    return text;
}

// The description the failing call left, or its code.
std::string ComFailure(HRESULT code) {
    std::string text;
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) == S_OK && info) {
        TBstr description;
        if (SUCCEEDED(info->GetDescription(description.Receive()))) text = description.Utf8();
        info->Release();
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text.empty() ? "the XML engine failed with code " + HexCode(code) : text;
}

// A new DOM document of MSXML 6.0, or of 3.0 where 6.0 is missing, with asynchronous loading,
// validation, DTDs, external resources, document() and scripts turned off.
void NewHardenedDocument(TCom<IXMLDOMDocument2>& document, const std::string& stylesheetPath) {
    HRESULT created = REGDB_E_CLASSNOTREG;
    for (const wchar_t* progId : {L"Msxml2.DOMDocument.6.0", L"Msxml2.DOMDocument.3.0"}) {
        CLSID classId;
        if (FAILED(CLSIDFromProgID(progId, &classId))) continue;
        created = CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, kIidDomDocument2,
                                   document.ReceiveVoid());
        if (SUCCEEDED(created)) break;
    }
    if (FAILED(created))
        StylesheetFailed(stylesheetPath,
                         "The system's XML engine (MSXML 6.0 or 3.0) is not available (code " +
                             HexCode(created) + "). Install MSXML 6.0 and try again.");
    auto check = [&](HRESULT result, const char* what) {
        if (FAILED(result))
            StylesheetFailed(stylesheetPath, std::string("The system's XML engine refused to ") +
                                                 what + ": " + ComFailure(result));
    };
    check(document->put_async(VARIANT_FALSE), "load synchronously");
    check(document->put_validateOnParse(VARIANT_FALSE), "turn validation off");
    check(document->put_resolveExternals(VARIANT_FALSE), "turn external resources off");
    // Text is kept as it is, spaces included: the report's lines are data.
    check(document->put_preserveWhiteSpace(VARIANT_TRUE), "keep white space");
    const struct {
        const wchar_t* Name;
        bool Value;
        const char* What;
    } settings[] = {{L"ProhibitDTD", true, "prohibit DTDs"},
                    {L"AllowXsltScript", false, "turn scripts off"},
                    {L"AllowDocumentFunction", false, "turn document() off"}};
    for (const auto& setting : settings) {
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_BOOL;
        value.boolVal = setting.Value ? VARIANT_TRUE : VARIANT_FALSE;
        TBstr name(setting.Name);
        check(document->setProperty(name.Get(), value), setting.What);
    }
}

// The reason of the document's last parse error, with its line and column.
std::string ParseFailure(IXMLDOMDocument2& document, const char* fallback) {
    TCom<IXMLDOMParseError> error;
    std::string text;
    long line = 0, column = 0;
    if (SUCCEEDED(document.get_parseError(error.Receive())) && error) {
        TBstr reason;
        if (SUCCEEDED(error->get_reason(reason.Receive()))) text = reason.Utf8();
        error->get_line(&line);
        error->get_linepos(&column);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    if (text.empty()) return fallback;
    if (line > 0)
        text += " (line " + std::to_string(line) + ", column " + std::to_string(column) + ")";
    return text;
}

// Loads the stylesheet's bytes, so that the parser reads the encoding its declaration names.
void LoadStylesheet(IXMLDOMDocument2& document, const std::string& stylesheetPath) {
    const std::string source = ReadStylesheet(stylesheetPath, static_cast<std::size_t>(LONG_MAX));
    SAFEARRAY* bytes = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(source.size()));
    if (!bytes) throw std::bad_alloc();
    void* data = nullptr;
    if (SUCCEEDED(SafeArrayAccessData(bytes, &data))) {
        std::copy(source.begin(), source.end(), static_cast<char*>(data));
        SafeArrayUnaccessData(bytes);
    }
    VARIANT input;
    VariantInit(&input);
    input.vt = VT_ARRAY | VT_UI1;
    input.parray = bytes;
    VARIANT_BOOL loaded = VARIANT_FALSE;
    const HRESULT result = document.load(input, &loaded);
    VariantClear(&input);
    if (FAILED(result) || loaded != VARIANT_TRUE)
        StylesheetFailed(stylesheetPath,
                         ParseFailure(document, "The stylesheet could not be read."));
    // Refused even where the engine would take it: a DTD may define entities that expand
    // without bound or name outside files.
    TCom<IXMLDOMDocumentType> doctype;
    if (SUCCEEDED(document.get_doctype(doctype.Receive())) && doctype)
        StylesheetFailed(stylesheetPath, "The stylesheet has a document type declaration (DTD); "
                                         "report stylesheets may not use one.");
}

std::string NodeName(IXMLDOMNode& node) {
    TBstr name;
    return SUCCEEDED(node.get_nodeName(name.Receive())) ? name.Utf8() : std::string();
}

// True when the element is xsl:import or xsl:include, under whatever prefix.
bool ImportsAnotherStylesheet(IXMLDOMNode& node) {
    TBstr space, name;
    if (FAILED(node.get_namespaceURI(space.Receive())) || FAILED(node.get_baseName(name.Receive())))
        return false;
    return space.Utf8() == "http://www.w3.org/1999/XSL/Transform" &&
           (name.Utf8() == "import" || name.Utf8() == "include");
}

// The text of the first child of the document element named exactly "xsl:param" whose "name"
// is "file_extension"; "" when there is none. A stylesheet that imports or includes another is
// refused: it is read from its bytes, with nothing that other files could be found from.
std::string FileExtensionParameter(IXMLDOMDocument2& stylesheet,
                                   const std::string& stylesheetPath) {
    TCom<IXMLDOMElement> root;
    TCom<IXMLDOMNode> node;
    if (FAILED(stylesheet.get_documentElement(root.Receive())) || !root ||
        FAILED(root->get_firstChild(node.Receive())))
        return {};
    std::string parameter;
    bool found = false;
    while (node) {
        DOMNodeType type = NODE_INVALID;
        node->get_nodeType(&type);
        if (type == NODE_ELEMENT && ImportsAnotherStylesheet(*node.Get()))
            StylesheetFailed(stylesheetPath,
                             "The stylesheet imports or includes another stylesheet; report "
                             "stylesheets must be self-contained here.");
        if (type == NODE_ELEMENT && !found && NodeName(*node.Get()) == "xsl:param") {
            TCom<IXMLDOMElement> element;
            VARIANT name;
            VariantInit(&name);
            TBstr attribute(L"name");
            if (SUCCEEDED(node->QueryInterface(IID_IXMLDOMElement, element.ReceiveVoid())) &&
                SUCCEEDED(element->getAttribute(attribute.Get(), &name)) && name.vt == VT_BSTR &&
                name.bstrVal && std::wstring_view(name.bstrVal) == L"file_extension") {
                TBstr text;
                if (SUCCEEDED(node->get_text(text.Receive()))) parameter = text.Utf8();
                found = true;
            }
            VariantClear(&name);
        }
        TCom<IXMLDOMNode> next;
        if (FAILED(node->get_nextSibling(next.Receive()))) break;
        node.Swap(next);
    }
    return parameter;
}

// Everything written to the memory stream.
std::string StreamBytes(IStream& stream) {
    STATSTG status{};
    HGLOBAL memory = nullptr;
    if (FAILED(stream.Stat(&status, STATFLAG_NONAME)) ||
        FAILED(GetHGlobalFromStream(&stream, &memory)))
        throw std::runtime_error("The output of the system's XML engine could not be read.");
    const auto size = static_cast<std::size_t>(status.cbSize.QuadPart);
    std::string bytes;
    if (size == 0) return bytes;
    const void* data = GlobalLock(memory);
    if (!data) throw std::bad_alloc();
    bytes.assign(static_cast<const char*>(data), size);
    GlobalUnlock(memory);
    return bytes;
}

} // namespace

std::string ApplyReportStylesheet(const TBaseReport& report, const std::string& stylesheetPath,
                                  std::string& extension) {
    TComApartment apartment;
    if (!apartment.Usable())
        StylesheetFailed(stylesheetPath, "The system's COM library could not start (code " +
                                             HexCode(apartment.Result()) + ").");
    TCom<IXMLDOMDocument2> stylesheet;
    NewHardenedDocument(stylesheet, stylesheetPath);
    LoadStylesheet(*stylesheet.Get(), stylesheetPath);
    extension = OutputFileExtension(FileExtensionParameter(*stylesheet.Get(), stylesheetPath));

    TCom<IXMLDOMDocument2> document;
    NewHardenedDocument(document, stylesheetPath);
    const auto* root = static_cast<const TReportNode*>(report.DocumentHandle());
    VARIANT_BOOL loaded = VARIANT_FALSE;
    {
        TBstr text(Widen(SerializeReportDocument(*root, false)));
        const HRESULT result = document->loadXML(text.Get(), &loaded);
        if (FAILED(result) || loaded != VARIANT_TRUE)
            throw std::runtime_error("The report could not be handed to the system's XML engine: " +
                                     ParseFailure(*document.Get(), ComFailure(result).c_str()));
    }
    // Into a stream rather than a string: the engine then encodes the output as the
    // stylesheet's xsl:output says and declares that encoding, where a string would be
    // declared UTF-16 whatever the file holds.
    TCom<IStream> stream;
    HRESULT result = CreateStreamOnHGlobal(nullptr, TRUE, stream.Receive());
    if (FAILED(result)) throw std::bad_alloc();
    TCom<IXMLDOMNode> stylesheetNode;
    result = stylesheet->QueryInterface(IID_IXMLDOMNode, stylesheetNode.ReceiveVoid());
    if (SUCCEEDED(result)) {
        VARIANT output;
        VariantInit(&output);
        output.vt = VT_UNKNOWN;
        output.punkVal = stream.Get();
        result = document->transformNodeToObject(stylesheetNode.Get(), output);
    }
    if (FAILED(result)) StylesheetFailed(stylesheetPath, ComFailure(result));
    return StreamBytes(*stream.Get());
}

} // namespace dxfi
