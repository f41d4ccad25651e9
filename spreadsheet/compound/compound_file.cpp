#include "compound_file.h"

#include "spreadsheet/model/error.h"

#include <gsf/gsf-doc-meta-data.h>
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-msole-utils.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>

namespace spreadsheet::compound {

namespace {

void ensureGsfInitialised()
{
    static std::once_flag once;
    std::call_once(once, [] { gsf_init(); });
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

std::string temporaryNameFor(const std::string& path)
{
    std::random_device random;
    return path + ".tmp" + std::to_string(random() % 1000000);
}

} // namespace

std::vector<uint8_t> writeCompoundFile(std::vector<Stream> streams, const ClassId& classId)
{
    ensureGsfInitialised();
    GObjectRef<GsfOutput> memory(gsf_output_memory_new());
    writeInto(memory.object, streams, classId);
    const guint8* bytes = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(memory.object));
    const auto size = static_cast<size_t>(gsf_output_size(memory.object));
    if (!bytes || size == 0)
        throw Error("cannot finish the compound file");
    return std::vector<uint8_t>(bytes, bytes + size);
}

void writeCompoundFileTo(const std::string& path, std::vector<Stream> streams,
                         const ClassId& classId)
{
    ensureGsfInitialised();
    const std::string temporary = temporaryNameFor(path);
    GError* error = nullptr;
    GObjectRef<GsfOutput> file(gsf_output_stdio_new(temporary.c_str(), &error));
    if (!file.object)
        throw Error(path + ": cannot write the file (" + takeMessage(error) + ")");
    try {
        writeInto(file.object, streams, classId);
    } catch (const Error& failure) {
        std::remove(temporary.c_str());
        throw Error(path + ": " + failure.what() + " (disk full?)");
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int savedErrno = errno;
        std::remove(temporary.c_str());
        throw Error(path + ": cannot write the file (" + std::strerror(savedErrno) + ")");
    }
}

std::vector<Stream> emptySummaryStreams()
{
    return {Stream{"\005SummaryInformation", emptyPropertySet(false)},
            Stream{"\005DocumentSummaryInformation", emptyPropertySet(true)}};
}

std::vector<uint8_t> readFileBytes(const std::string& path)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        if (!std::filesystem::exists(path, error))
            throw Error(path + ": cannot open the file (no such file)");
        throw Error(path + ": not a file");
    }
    const auto size = std::filesystem::file_size(path, error);
    if (error)
        throw Error(path + ": cannot read the file (" + error.message() + ")");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Error(path + ": cannot open the file (" + std::strerror(errno) + ")");
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(size)))
        throw Error(path + ": cannot read the file");
    return bytes;
}

void writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes)
{
    const std::string temporary = temporaryNameFor(path);
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            throw Error(path + ": cannot write the file (" + std::strerror(errno) + ")");
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        out.flush();
        if (!out) {
            std::remove(temporary.c_str());
            throw Error(path + ": cannot write the file (disk full?)");
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int savedErrno = errno;
        std::remove(temporary.c_str());
        throw Error(path + ": cannot write the file (" + std::strerror(savedErrno) + ")");
    }
}

} // namespace spreadsheet::compound
