// SPDX-License-Identifier: MIT
// The report stylesheet applied with libxslt, hardened: no network, no DTDs or entity
// substitution, no file writes, reads only from the stylesheet's own folder, and a bound on the
// memory a transformation may take.
#include "report/ReportTransform.h"
#include "report/ReportOutput.h"

#include "platform/Files.h"

#include <libexslt/exslt.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/uri.h>
#include <libxml/xmlerror.h>
#include <libxslt/documents.h>
#include <libxslt/security.h>
#include <libxslt/transform.h>
#include <libxslt/xslt.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>

#include <atomic>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <memory>
#include <mutex>
#include <utility>

namespace dxfi {
namespace {

// Parser options for every document the engine reads on a stylesheet's behalf: no network, no
// external DTD, no entity substitution.
constexpr int kForbiddenParseOptions =
    XML_PARSE_NOENT | XML_PARSE_DTDLOAD | XML_PARSE_DTDATTR | XML_PARSE_DTDVALID;
constexpr int kSafeParseOptions = XML_PARSE_NONET | XML_PARSE_NOCDATA;

xsltDocLoaderFunc LibraryLoader = nullptr;

// The folder (real path, with its trailing delimiter) whose files the running transformation
// may read through document() and xsl:import: the stylesheet's own. Empty outside a
// transformation, when nothing is refused.
std::string ReadableFolder;
// The first file refused during the running transformation.
std::string RefusedFile;

// The real path of a file URI or path; "" when it names no existing local file.
std::string LocalRealPath(const xmlChar* uri) {
    std::string text = reinterpret_cast<const char*>(uri);
    if (text.rfind("file://", 0) == 0) {
        text.erase(0, 7);
        if (text.rfind("localhost/", 0) == 0) text.erase(0, 9);
    } else if (text.find("://") != std::string::npos) {
        return {};
    }
    char* unescaped = xmlURIUnescapeString(text.c_str(), 0, nullptr);
    if (!unescaped) return {};
    std::string path = unescaped;
    xmlFree(unescaped);
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

// Imported stylesheets and document() go through the engine's loader with its own parser
// options (which load DTDs and substitute entities); this one takes those away first, and
// while a transformation runs it reads only files of the stylesheet's own folder (a
// stylesheet must not carry the user's other files into the report).
xmlDocPtr SafeLoader(const xmlChar* uri, xmlDictPtr dict, int options, void* context,
                     xsltLoadType type) {
    if (!ReadableFolder.empty() && uri) {
        const std::string path = LocalRealPath(uri);
        if (path.empty() || path.rfind(ReadableFolder, 0) != 0) {
            if (RefusedFile.empty()) RefusedFile = reinterpret_cast<const char*>(uri);
            return nullptr;
        }
    }
    return LibraryLoader(uri, dict, (options & ~kForbiddenParseOptions) | XML_PARSE_NONET, context,
                         type);
}

// What the XML engine has allocated and not yet freed, counted so that a transformation whose
// result grows without bound (a stylesheet that doubles its output) is stopped.
std::atomic<int64_t> EngineBytes{0};
std::size_t TransformLimitBase = std::size_t{256} << 20;
int64_t TransformLimit = 0; // bytes over the count at the start; 0 outside a transformation
int64_t TransformStart = 0;
bool TransformTooLarge = false;

void* CountedMalloc(std::size_t size) {
    void* block = std::malloc(size);
    if (block) EngineBytes += static_cast<int64_t>(malloc_usable_size(block));
    return block;
}
void CountedFree(void* block) {
    if (!block) return;
    EngineBytes -= static_cast<int64_t>(malloc_usable_size(block));
    std::free(block);
}
void* CountedRealloc(void* block, std::size_t size) {
    const int64_t before = block ? static_cast<int64_t>(malloc_usable_size(block)) : 0;
    void* moved = std::realloc(block, size);
    if (moved) EngineBytes += static_cast<int64_t>(malloc_usable_size(moved)) - before;
    return moved;
}
char* CountedStrdup(const char* text) {
    const std::size_t length = std::strlen(text) + 1;
    auto* copy = static_cast<char*>(CountedMalloc(length));
    if (copy) std::memcpy(copy, text, length);
    return copy;
}

// Called by the engine before each instruction while a transformation runs (its debugger
// hook): stops it once it holds more than its limit.
void CheckTransformSize(xmlNodePtr, xmlNodePtr, xsltTemplatePtr, xsltTransformContextPtr ctxt) {
    if (TransformLimit > 0 && EngineBytes.load() - TransformStart > TransformLimit && ctxt) {
        TransformTooLarge = true;
        ctxt->state = XSLT_STATE_STOPPED;
    }
}
int AllowCall(xsltTemplatePtr, xmlNodePtr) {
    return 1;
}
void DropCall() {}

// The number of nodes of a document, for the limit of its transformation.
std::size_t NodeCount(xmlDocPtr document) {
    std::size_t count = 0;
    xmlNodePtr node = xmlDocGetRootElement(document);
    while (node) {
        ++count;
        for (xmlAttrPtr attribute = node->type == XML_ELEMENT_NODE ? node->properties : nullptr;
             attribute; attribute = attribute->next)
            ++count;
        if (node->children) {
            node = node->children;
            continue;
        }
        while (node && !node->next) {
            node = node->parent;
            if (node && node->type == XML_DOCUMENT_NODE) node = nullptr;
        }
        if (node) node = node->next;
    }
    return count;
}

xsltSecurityPrefsPtr NewForbiddingPrefs() {
    xsltSecurityPrefsPtr prefs = xsltNewSecurityPrefs();
    if (!prefs) throw std::bad_alloc();
    for (xsltSecurityOption option : {XSLT_SECPREF_WRITE_FILE, XSLT_SECPREF_CREATE_DIRECTORY,
                                      XSLT_SECPREF_READ_NETWORK, XSLT_SECPREF_WRITE_NETWORK})
        xsltSetSecurityPrefs(prefs, option, xsltSecurityForbid);
    return prefs;
}

// Once per process: the engine's extensions, the safe loader, and forbidding prefs as the
// default (which guards imports, read while no transformation context exists yet).
void PrepareEngine() {
    static std::once_flag once;
    std::call_once(once, [] {
        // Counting wraps the C library's allocator, so blocks from before are freed alike.
        xmlMemSetup(CountedFree, CountedMalloc, CountedRealloc, CountedStrdup);
        static void* hooks[3] = {reinterpret_cast<void*>(&CheckTransformSize),
                                 reinterpret_cast<void*>(&AllowCall),
                                 reinterpret_cast<void*>(&DropCall)};
        xsltSetDebuggerCallbacks(3, hooks);
        xmlInitParser();
        exsltRegisterAll();
        LibraryLoader = xsltDocDefaultLoader;
        xsltSetLoaderFunc(SafeLoader);
        xsltSetDefaultSecurityPrefs(NewForbiddingPrefs());
    });
}

// Collects what libxml2 and libxslt report while it lives, instead of their printing it.
class TEngineErrors {
public:
    TEngineErrors()
        : GenericXml_(xmlGenericError), GenericXmlContext_(xmlGenericErrorContext),
          StructuredXml_(xmlStructuredError), StructuredXmlContext_(xmlStructuredErrorContext),
          GenericXslt_(xsltGenericError), GenericXsltContext_(xsltGenericErrorContext) {
        xmlSetGenericErrorFunc(this, &TEngineErrors::Generic);
        xmlSetStructuredErrorFunc(this, &TEngineErrors::Structured);
        xsltSetGenericErrorFunc(this, &TEngineErrors::Generic);
    }
    ~TEngineErrors() {
        xmlSetGenericErrorFunc(GenericXmlContext_, GenericXml_);
        xmlSetStructuredErrorFunc(StructuredXmlContext_, StructuredXml_);
        xsltSetGenericErrorFunc(GenericXsltContext_, GenericXslt_);
    }
    TEngineErrors(const TEngineErrors&) = delete;
    TEngineErrors& operator=(const TEngineErrors&) = delete;

    // Everything reported so far, one message a line, without the last line feed; `fallback`
    // when nothing was.
    std::string Message(const char* fallback) const {
        std::string text = Text_;
        while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
            text.pop_back();
        return text.empty() ? fallback : text;
    }

    bool Any() const { return !Text_.empty(); }

private:
    static void Generic(void* context, const char* format, ...) {
        auto* self = static_cast<TEngineErrors*>(context);
        va_list arguments;
        va_start(arguments, format);
        char buffer[1024];
        int length = std::vsnprintf(buffer, sizeof buffer, format, arguments);
        va_end(arguments);
        if (length > 0)
            self->Text_.append(buffer, std::min<std::size_t>(length, sizeof buffer - 1));
    }
    static void Structured(void* context, xmlErrorPtr error) {
        auto* self = static_cast<TEngineErrors*>(context);
        if (!error || error->level == XML_ERR_WARNING) return;
        if (error->file)
            self->Text_ += std::string(error->file) + ":" + std::to_string(error->line) + ": ";
        if (error->message) self->Text_ += error->message;
        if (self->Text_.empty() || self->Text_.back() != '\n') self->Text_ += '\n';
    }

    std::string Text_;
    xmlGenericErrorFunc GenericXml_;
    void* GenericXmlContext_;
    xmlStructuredErrorFunc StructuredXml_;
    void* StructuredXmlContext_;
    xmlGenericErrorFunc GenericXslt_;
    void* GenericXsltContext_;
};

struct TDocFree {
    void operator()(xmlDocPtr doc) const { xmlFreeDoc(doc); }
};
struct TStyleFree {
    void operator()(xsltStylesheetPtr style) const { xsltFreeStylesheet(style); }
};
struct TContextFree {
    void operator()(xsltTransformContextPtr context) const { xsltFreeTransformContext(context); }
};
struct TPrefsFree {
    void operator()(xsltSecurityPrefsPtr prefs) const { xsltFreeSecurityPrefs(prefs); }
};
using TDoc = std::unique_ptr<xmlDoc, TDocFree>;
using TStyle = std::unique_ptr<xsltStylesheet, TStyleFree>;
using TContext = std::unique_ptr<xsltTransformContext, TContextFree>;
using TPrefs = std::unique_ptr<xsltSecurityPrefs, TPrefsFree>;

// The text of the first child of the document element named exactly "xsl:param" whose
// "name" is "file_extension"; ".html" when there is none or it is empty; "." put in front
// when missing.
std::string StylesheetFileExtension(xmlDocPtr stylesheet) {
    std::string extension;
    xmlNodePtr root = xmlDocGetRootElement(stylesheet);
    for (xmlNodePtr node = root ? root->children : nullptr; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE || !node->ns || !node->ns->prefix) continue;
        std::string name = std::string(reinterpret_cast<const char*>(node->ns->prefix)) + ":" +
                           reinterpret_cast<const char*>(node->name);
        if (name != "xsl:param") continue;
        xmlChar* attribute = xmlGetNoNsProp(node, BAD_CAST "name");
        bool match = attribute && xmlStrcmp(attribute, BAD_CAST "file_extension") == 0;
        xmlFree(attribute);
        if (!match) continue;
        if (xmlChar* content = xmlNodeGetContent(node)) {
            extension = reinterpret_cast<const char*>(content);
            xmlFree(content);
        }
        break;
    }
    return OutputFileExtension(std::move(extension));
}

} // namespace

std::string ApplyReportStylesheet(const TBaseReport& reportDocument,
                                  const std::string& stylesheetPath, std::string& extension) {
    auto* report = static_cast<xmlDocPtr>(reportDocument.DocumentHandle());
    PrepareEngine();
    TEngineErrors errors;
    std::string source = ReadStylesheet(stylesheetPath, static_cast<std::size_t>(INT_MAX));
    TDoc stylesheetDoc(xmlReadMemory(source.data(), static_cast<int>(source.size()),
                                     stylesheetPath.c_str(), nullptr, kSafeParseOptions));
    source = std::string();
    if (!stylesheetDoc)
        StylesheetFailed(stylesheetPath, errors.Message("The stylesheet could not be read."));

    // Only the stylesheet's own folder may be read from here on (xsl:import, document()).
    struct TReadableScope {
        explicit TReadableScope(const std::string& stylesheet) {
            char resolved[PATH_MAX];
            const std::string folder = platform::ExtractFilePath(stylesheet);
            ReadableFolder = realpath(folder.empty() ? "." : folder.c_str(), resolved)
                                 ? platform::IncludeTrailingDelimiter(resolved)
                                 : std::string("/nonexistent/");
            RefusedFile.clear();
        }
        ~TReadableScope() { ReadableFolder.clear(); }
    } readable(stylesheetPath);
    auto refused = [&] {
        return "The stylesheet may read files of its own folder only, and not " + RefusedFile + ".";
    };
    extension = StylesheetFileExtension(stylesheetDoc.get());

    // On success the stylesheet owns its document.
    TStyle style(xsltParseStylesheetDoc(stylesheetDoc.get()));
    if (!RefusedFile.empty()) {
        if (style) stylesheetDoc.release();
        StylesheetFailed(stylesheetPath, refused());
    }
    if (!style)
        StylesheetFailed(stylesheetPath, errors.Message("The stylesheet is not valid XSLT."));
    stylesheetDoc.release();
    // The engine reports some faults (an unknown instruction) without counting them; whatever
    // it reports while compiling means the stylesheet is not what its author meant.
    if (style->errors > 0 || errors.Any())
        StylesheetFailed(stylesheetPath, errors.Message("The stylesheet is not valid XSLT."));

    // The debugger hook watches the engine's memory while the context runs.
    xsltSetDebuggerStatus(XSLT_DEBUG_RUN);
    TContext context(xsltNewTransformContext(style.get(), report));
    xsltSetDebuggerStatus(XSLT_DEBUG_NONE);
    if (!context) throw std::bad_alloc();
    TPrefs prefs(NewForbiddingPrefs());
    if (xsltSetCtxtSecurityPrefs(prefs.get(), context.get()) != 0) throw std::bad_alloc();
    xsltSetCtxtParseOptions(context.get(), kSafeParseOptions);
    const int64_t limit =
        static_cast<int64_t>(TransformLimitBase + std::size_t{2048} * NodeCount(report));
    TransformTooLarge = false;
    TransformStart = EngineBytes.load();
    TransformLimit = limit;
    TDoc result(
        xsltApplyStylesheetUser(style.get(), report, nullptr, nullptr, nullptr, context.get()));
    TransformLimit = 0;
    if (TransformTooLarge) {
        result.reset();
        context.reset();
        StylesheetFailed(stylesheetPath,
                         "The stylesheet's output grew beyond " + std::to_string(limit >> 20) +
                             " MB and was stopped; the stylesheet is not fit for this report.");
    }
    if (!RefusedFile.empty()) StylesheetFailed(stylesheetPath, refused());
    if (!result || context->state != XSLT_STATE_OK)
        StylesheetFailed(stylesheetPath, errors.Message("The stylesheet could not be applied."));

    xmlChar* buffer = nullptr;
    int length = 0;
    if (xsltSaveResultToString(&buffer, &length, result.get(), style.get()) != 0) {
        xmlFree(buffer);
        StylesheetFailed(stylesheetPath,
                         errors.Message("The result of the stylesheet could not be written."));
    }
    std::string text;
    if (buffer && length > 0)
        text.assign(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(length));
    xmlFree(buffer);
    return text;
}

void SetTransformMemoryLimit(std::size_t bytes) {
    TransformLimitBase = bytes;
}

} // namespace dxfi
