// SPDX-License-Identifier: MIT
#include "report/ReportOutput.h"

#include "abi/ClientApi.h"
#include "abi/Workspace.h"
#include "base/Assertion.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "report/GeneralReportException.h"
#include "report/ReplaceFileSafely.h"
#include "report/ReportHost.h"

#include <libexslt/exslt.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxslt/documents.h>
#include <libxslt/security.h>
#include <libxslt/transform.h>
#include <libxslt/xslt.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>

#include <libxml/uri.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <unistd.h>

namespace dxfi {
namespace {

constexpr const char* kModule = "RT_Report";

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
    if (extension.empty()) return ".html";
    if (extension.front() != '.') extension.insert(extension.begin(), '.');
    return extension;
}

[[noreturn]] void StylesheetFailed(const std::string& stylesheetPath, const std::string& message) {
    ShowReportMessage("Error", "Error using " + stylesheetPath + "\n\n" + message, abi::kMbOk);
    throw EGeneralReportException(message);
}

// The stylesheet applied to the report, as the engine serialises it.
std::string Transform(xmlDocPtr report, const std::string& stylesheetPath, std::string& extension) {
    PrepareEngine();
    TEngineErrors errors;
    std::string source, problem;
    if (platform::ReadRegularFile(stylesheetPath, source, problem) != platform::rfRead)
        StylesheetFailed(stylesheetPath, "The stylesheet could not be read: " +
                                             (problem.empty() ? "it does not exist" : problem) +
                                             ".");
    if (source.size() > static_cast<std::size_t>(INT_MAX))
        StylesheetFailed(stylesheetPath, "The stylesheet is too large to be read.");
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

// Writes `text` to a new temporary file beside `target` (so that putting it in place is a
// rename, and the earlier file stays whole until the new one is complete), with the user's
// normal file mode, flushed to disk; returns its path. Temporaries that killed runs left
// beside `target` are removed first.
std::string WriteTemporaryFile(const std::string& text, const std::string& target) {
    platform::RemoveStaleTemporaries(target);
    std::string path;
    const int fd = platform::CreateTemporaryBeside(target, path);
    if (fd < 0)
        throw std::runtime_error("The report could not be written beside " + target + " (" +
                                 std::strerror(errno) +
                                 "). Check that the folder exists and may be written.");
    std::string_view rest = text;
    bool written = true;
    while (written && !rest.empty()) {
        const ssize_t put = write(fd, rest.data(), rest.size());
        if (put < 0 && errno == EINTR) continue;
        written = put > 0;
        if (written) rest.remove_prefix(static_cast<std::size_t>(put));
    }
    if (written && fsync(fd) != 0) written = false;
    const int reason = errno;
    if (close(fd) != 0) written = false;
    if (!written) {
        platform::RemoveFile(path);
        throw std::runtime_error("The report could not be written beside " + target + " (" +
                                 std::strerror(reason ? reason : EIO) +
                                 "); the earlier report is kept. Check that the disk has room.");
    }
    return path;
}

std::string Text(const char* text) {
    return text ? text : "";
}

// The folder part of `path` with its delimiter ("" when it has none).
std::string FolderOf(const std::string& path) {
    return platform::ExtractFilePath(path);
}

// Where an output of the document goes, with its trailing delimiter.
std::string OutputFolder(const std::string& documentPath, abi::IProject* project,
                         abi::IProjectOutput* output) {
    std::string folder;
    if (!project) {
        folder = FolderOf(documentPath);
    } else {
        // The reference path names the output folder itself; its parent must exist for the
        // folder to be made.
        std::string reference = output ? Text(output->ReferencePath()) : std::string();
        while (reference.size() > 1 && reference.back() == platform::kPathDelimiter)
            reference.pop_back();
        if (!reference.empty() &&
            platform::FolderExists(platform::FileSystemCase(FolderOf(reference)))) {
            folder = platform::IncludeTrailingDelimiter(reference);
            if (!platform::FolderExists(platform::FileSystemCase(folder)))
                platform::CreateFolder(folder);
        } else {
            folder = FolderOf(Text(project->FullPath()));
        }
    }
    if (!platform::FolderExists(platform::FileSystemCase(folder)))
        folder = platform::FolderPath(platform::foCurrent);
    return platform::IncludeTrailingDelimiter(folder);
}

void Check(int32_t status, const char* operation) {
    if (status != kStatusOk)
        throw std::runtime_error(std::string("The report output options failed to ") + operation +
                                 ".");
}

} // namespace

void SetTransformMemoryLimit(std::size_t bytes) {
    TransformLimitBase = bytes;
}

std::string ReplaceFileExtension(std::string_view path, std::string_view extension) {
    std::size_t folderEnd = path.rfind(platform::kPathDelimiter);
    std::size_t nameStart = folderEnd == std::string_view::npos ? 0 : folderEnd + 1;
    std::size_t dot = path.rfind('.');
    std::string result(
        path.substr(0, dot == std::string_view::npos || dot < nameStart ? path.size() : dot));
    result.append(extension);
    return result;
}

std::string DefaultReportStylesheet() {
    return ReportTemplatesFolder() + "report_html_default.xsl";
}

void OpenInHost(const std::string& file) {
    SendHostCommand("WorkspaceManager:OpenObject", "Filename=" + file);
}

void TransformReport(const TBaseReport& report, const std::string& basePath,
                     const std::string& stylesheetPath, std::string& outputFile) {
    auto* document = static_cast<xmlDocPtr>(report.DocumentHandle());
    Assert(document != nullptr, kModule);
    const std::string kind = platform::NonRegularFileKind(platform::FileSystemCase(stylesheetPath));
    if (!kind.empty()) {
        ShowReportMessage("Error", stylesheetPath + " is " + kind + ", not a stylesheet file",
                          abi::kMbOk | abi::kMbIconError);
        return;
    }
    if (!platform::FileExists(platform::FileSystemCase(stylesheetPath))) {
        ShowReportMessage("Error", stylesheetPath + " does not exist",
                          abi::kMbOk | abi::kMbIconError);
        return;
    }
    std::string extension;
    std::string text = Transform(document, stylesheetPath, extension);
    outputFile = ReplaceFileExtension(basePath, extension);
    std::string temporary = WriteTemporaryFile(text, outputFile);
    text = std::string();
    ReplaceFileSafely(temporary, outputFile);
}

void ProduceOutput(const TBaseReport& report, const std::string& documentPath,
                   IReportOutputTransformation& transformation, std::string& outputFile) {
    bool generate = false;
    Check(transformation.GetGenerate(generate), "read Generate");
    if (!generate) return;
    std::string ownerName, stylesheet;
    bool show = false;
    Check(transformation.GetOwnerName(ownerName), "read OwnerName");
    Check(transformation.GetXSLTFilename(stylesheet), "read XSLTFilename");
    Check(transformation.GetShow(show), "read Show");

    abi::IWorkspace* workspace = HostWorkspace();
    abi::IProject* project =
        workspace ? workspace->GetProjectContaining(documentPath.c_str()) : nullptr;
    abi::IProjectOutput* output = project ? project->OutputObject() : nullptr;

    std::string baseName = ownerName;
    if (project)
        baseName +=
            " - " + ReplaceFileExtension(platform::ExtractFileName(Text(project->FileName())), "");
    TransformReport(report, OutputFolder(documentPath, project, output) + baseName, stylesheet,
                    outputFile);
    if (!show) return;
    if (output && !outputFile.empty()) output->AddOutputFile(outputFile.c_str());
    OpenInHost(outputFile);
}

void GenerateReportOutputs(const TBaseReport& report, const std::string& documentPath,
                           const std::string& reportName, std::string& outputFile, bool show) {
    TInterfacePtr<IReportOutputOptions> options = TReportOutputOptions::Create();
    Check(options->SetName(reportName), "set Name");
    TInterfacePtr<IReportOutputTransformation> added;
    Check(options->AddTransformation(added.Receive()), "add a transformation");
    Check(added->SetXSLTFilename(DefaultReportStylesheet()), "set XSLTFilename");
    Check(added->SetShow(show), "set Show");

    int32_t count = 0;
    Check(options->GetTransformationCount(count), "count the transformations");
    for (int32_t index = 0; index < count; ++index) {
        TInterfacePtr<IReportOutputTransformation> transformation;
        Check(options->GetTransformation(index, transformation.Receive()), "give a transformation");
        ProduceOutput(report, documentPath, *transformation, outputFile);
    }
}

} // namespace dxfi
