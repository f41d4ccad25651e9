#include "spreadsheet/compound/compound_file.h"

#include "spreadsheet/files/atomic_file.h"
#include "spreadsheet/model/error.h"

#include <gsf/gsf-doc-meta-data.h>
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-msole-utils.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-utils.h>

#include <cstring>
#include <mutex>
#include <span>

namespace spreadsheet::compound {

namespace {

// libgsf and GObject report a damaged file's oddities as CRITICAL or WARNING messages printed
// straight to standard error ("libgsf-CRITICAL **: ..."). What is wrong reaches the user as
// our own error, naming the file; those lines would only be noise in a script's error output
// and in the terminal a window was started from. They are dropped, unless
// STOWFOLIO_GLIB_MESSAGES is set, for whoever is tracking down a fault in the container code.
void handleGlibMessage(const gchar* domain, GLogLevelFlags level, const gchar* message,
                       gpointer data)
{
    if (g_getenv("STOWFOLIO_GLIB_MESSAGES"))
        g_log_default_handler(domain, level, message, data);
}

void ensureGsfInitialised()
{
    static std::once_flag once;
    std::call_once(once, [] {
        const auto levels =
            static_cast<GLogLevelFlags>(G_LOG_LEVEL_MASK | G_LOG_FLAG_FATAL | G_LOG_FLAG_RECURSION);
        for (const char* domain : {"libgsf", "GLib-GObject", "GLib"})
            g_log_set_handler(domain, levels, handleGlibMessage, nullptr);
        gsf_init();
    });
}

// Owns one GObject reference.
template <typename T>
struct GObjectRef
{
    T* object = nullptr;
    explicit GObjectRef(T* o) : object(o) {}
    GObjectRef(const GObjectRef&) = delete;
    GObjectRef& operator=(const GObjectRef&) = delete;
    ~GObjectRef()
    {
        if (object)
            g_object_unref(object);
    }
};

std::string takeMessage(GError* error)
{
    std::string message = error && error->message ? error->message : "unknown error";
    if (error)
        g_error_free(error);
    return message;
}

bool equalIgnoringCase(const char* a, const std::string& b)
{
    if (std::strlen(a) != b.size())
        return false;
    for (size_t i = 0; i < b.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

std::vector<uint8_t> readWhole(GsfInput* input, size_t containerSize, const std::string& what)
{
    const gsf_off_t size = gsf_input_size(input);
    // A stream cannot be larger than the file that holds it, whatever its directory entry says.
    if (size < 0 || static_cast<uint64_t>(size) > containerSize)
        throw Error(what + ": a stream of the file claims more bytes than the file has");
    std::vector<uint8_t> data(static_cast<size_t>(size));
    if (size > 0 && gsf_input_read(input, data.size(), data.data()) == nullptr)
        throw Error(what + ": the stream is cut short");
    return data;
}

void writeChild(GsfOutfile* root, const std::string& name, const std::vector<uint8_t>& data)
{
    GObjectRef<GsfOutput> child(gsf_outfile_new_child(root, name.c_str(), FALSE));
    if (!child.object)
        throw Error("cannot create the stream " + name + " in the compound file");
    if (!data.empty() && !gsf_output_write(child.object, data.size(), data.data()))
        throw Error("cannot write the stream " + name + " of the compound file");
    gsf_output_close(child.object);
}

// An empty property set stream, as written for a document without properties.
std::vector<uint8_t> emptyPropertySet(bool documentSummary)
{
    GObjectRef<GsfDocMetaData> meta(gsf_doc_meta_data_new());
    GObjectRef<GsfOutput> memory(gsf_output_memory_new());
    if (!gsf_doc_meta_data_write_to_msole(meta.object, memory.object, documentSummary))
        throw Error("cannot write the document properties of the compound file");
    gsf_output_close(memory.object);
    const guint8* bytes = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(memory.object));
    const auto size = static_cast<size_t>(gsf_output_size(memory.object));
    return bytes ? std::vector<uint8_t>(bytes, bytes + size) : std::vector<uint8_t>{};
}

} // namespace

std::optional<std::vector<uint8_t>> readStream(const std::vector<uint8_t>& bytes,
                                               const std::string& name,
                                               const std::string& nameForErrors)
{
    ensureGsfInitialised();
    GObjectRef<GsfInput> input(gsf_input_memory_new(bytes.data(), gsf_off_t(bytes.size()), FALSE));
    if (!input.object)
        throw Error(nameForErrors + ": the file cannot be read");
    GError* error = nullptr;
    GObjectRef<GsfInfile> ole(gsf_infile_msole_new(input.object, &error));
    if (!ole.object)
        throw Error(nameForErrors + ": not an Excel 97-2003 file (" + takeMessage(error) + ")");
    if (error)
        g_error_free(error);
    const int count = gsf_infile_num_children(ole.object);
    for (int i = 0; i < count; ++i) {
        const char* childName = gsf_infile_name_by_index(ole.object, i);
        if (!childName || !equalIgnoringCase(childName, name))
            continue;
        GObjectRef<GsfInput> child(gsf_infile_child_by_index(ole.object, i));
        if (!child.object)
            throw Error(nameForErrors + ": the " + name + " stream cannot be opened");
        return readWhole(child.object, bytes.size(), nameForErrors);
    }
    return std::nullopt;
}

namespace {

// Writes the compound file into `sink`, which closing the compound file closes too.
void writeInto(GsfOutput* sink, std::vector<Stream>& streams, const ClassId& classId)
{
    GObjectRef<GsfOutfile> root(gsf_outfile_msole_new(sink));
    if (!root.object)
        throw Error("cannot create a compound file");
    gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(root.object), classId.data());
    for (Stream& stream : streams) {
        writeChild(root.object, stream.name, stream.data);
        std::vector<uint8_t>().swap(stream.data);
    }
    if (!gsf_output_close(GSF_OUTPUT(root.object)))
        throw Error("cannot finish the compound file");
}

// A compound file written into libgsf's memory output.
class CompoundInMemory
{
public:
    CompoundInMemory(std::vector<Stream>& streams, const ClassId& classId)
        : m_memory((ensureGsfInitialised(), gsf_output_memory_new()))
    {
        writeInto(m_memory.object, streams, classId);
    }
    std::span<const uint8_t> bytes() const
    {
        const guint8* bytes = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(m_memory.object));
        const auto size = static_cast<size_t>(gsf_output_size(m_memory.object));
        if (!bytes || size == 0)
            throw Error("cannot finish the compound file");
        return {bytes, size};
    }

private:
    GObjectRef<GsfOutput> m_memory;
};

} // namespace

std::vector<uint8_t> writeCompoundFile(std::vector<Stream> streams, const ClassId& classId)
{
    CompoundInMemory file(streams, classId);
    return std::vector<uint8_t>(file.bytes().begin(), file.bytes().end());
}

void writeCompoundFileTo(const std::string& path, std::vector<Stream> streams,
                         const ClassId& classId)
{
    // The container is made in memory first: libgsf's own file output neither syncs the file
    // nor reports every failed write, and a workbook is small beside the memory it describes.
    CompoundInMemory file(streams, classId);
    files::writeFileAtomically(path, file.bytes());
}

std::vector<Stream> emptySummaryStreams()
{
    return {Stream{"\005SummaryInformation", emptyPropertySet(false)},
            Stream{"\005DocumentSummaryInformation", emptyPropertySet(true)}};
}

} // namespace spreadsheet::compound
