#include "WritersModule.h"
#include "errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>

#include <cstring>
#include <elf.h>
#include <mutex>
#include <vector>

namespace
{
QString unusableText(const QString &path, const QString &why)
{
    return QStringLiteral("Не удалось загрузить модуль записи документов %1: %2. "
                          "Документы и таблицы не могут быть записаны; установите программу заново.")
        .arg(QDir::toNativeSeparators(path), why);
}

// The ELF layout of this program's own build: the only one a module can have.
#if Q_PROCESSOR_WORDSIZE == 8
using ElfHeader = Elf64_Ehdr;
using ElfSegment = Elf64_Phdr;
using ElfSection = Elf64_Shdr;
constexpr unsigned char hostClass = ELFCLASS64;
#else
using ElfHeader = Elf32_Ehdr;
using ElfSegment = Elf32_Phdr;
using ElfSection = Elf32_Shdr;
constexpr unsigned char hostClass = ELFCLASS32;
#endif
constexpr unsigned char hostData = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? ELFDATA2LSB : ELFDATA2MSB;
#if defined(__x86_64__)
constexpr int hostMachine = EM_X86_64;
#elif defined(__aarch64__)
constexpr int hostMachine = EM_AARCH64;
#elif defined(__i386__)
constexpr int hostMachine = EM_386;
#elif defined(__arm__)
constexpr int hostMachine = EM_ARM;
#elif defined(__riscv)
constexpr int hostMachine = EM_RISCV;
#else
constexpr int hostMachine = EM_NONE; // not checked here; the loader still refuses a foreign one
#endif

// True when [offset, offset + size) lies inside a file of fileSize bytes.
bool inside(quint64 offset, quint64 size, quint64 fileSize)
{
    return offset <= fileSize && size <= fileSize - offset;
}

// count entries of entrySize bytes at offset, read into out; false when they
// are not all inside the file.
template <class Entry>
bool readTable(QFile &file, quint64 offset, quint64 count, quint64 entrySize, std::vector<Entry> &out)
{
    if (count == 0)
        return true;
    if (entrySize != sizeof(Entry) || count > quint64(file.size()) / sizeof(Entry) ||
        !inside(offset, count * sizeof(Entry), quint64(file.size())) || !file.seek(qint64(offset)))
        return false;
    out.resize(size_t(count));
    const qint64 bytes = qint64(count * sizeof(Entry));
    return file.read(reinterpret_cast<char *>(out.data()), bytes) == bytes;
}

// What makes the file at path no module this program can load, empty when
// nothing does. The loader maps a library's segments without looking at the
// file's size, so a cut-off module would load and then kill the program
// (SIGBUS) at the first touch of a page past its end; a segment or section
// the file does not hold all of is refused here instead.
QString elfFault(const QString &path)
{
    const QString damaged = QStringLiteral("файл повреждён");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    const quint64 size = quint64(file.size());
    ElfHeader h{};
    if (file.read(reinterpret_cast<char *>(&h), sizeof h) != qint64(sizeof h) ||
        std::memcmp(h.e_ident, ELFMAG, SELFMAG) != 0)
        return QStringLiteral("это не модуль программы");
    if (h.e_ident[EI_CLASS] != hostClass || h.e_ident[EI_DATA] != hostData ||
        (hostMachine != EM_NONE && h.e_machine != hostMachine))
        return QStringLiteral("модуль собран для другой системы");
    if (h.e_type != ET_DYN)
        return QStringLiteral("это не модуль программы");

    std::vector<ElfSegment> segments;
    std::vector<ElfSection> sections;
    if (h.e_phnum == 0 || !readTable(file, h.e_phoff, h.e_phnum, h.e_phentsize, segments) ||
        !readTable(file, h.e_shoff, h.e_shnum, h.e_shentsize, sections))
        return damaged;
    for (const ElfSegment &s : segments)
        if (s.p_type != PT_NULL && !inside(s.p_offset, s.p_filesz, size))
            return damaged;
    for (const ElfSection &s : sections)
        if (s.sh_type != SHT_NOBITS && s.sh_type != SHT_NULL && !inside(s.sh_offset, s.sh_size, size))
            return damaged;
    return {};
}
} // namespace

QString writersModulePath()
{
    // The running executable, not the current folder: the program, the bank
    // tool's tests and the benches all sit in one bin folder.
    const QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    return QDir::cleanPath(QFileInfo(exe).absolutePath() + QStringLiteral("/../lib/trivo/modules/libtrivo-writers.so"));
}

WritersModule loadWritersModule(const QString &path)
{
    QLibrary library(path);
    if (!QFileInfo::exists(path))
        throw TrivoError(unusableText(path, QStringLiteral("файла нет")));
    if (const QString fault = elfFault(path); !fault.isEmpty())
        throw TrivoError(unusableText(path, fault));
    if (!library.load())
        throw TrivoError(unusableText(path, library.errorString()));
    // Stays loaded for the rest of the run: QLibrary does not unload on destruction.
    const auto abi = reinterpret_cast<WritersAbiFunction>(library.resolve("trivoWritersAbi"));
    WritersModule m;
    m.zipArchive = reinterpret_cast<ZipArchiveFunction>(library.resolve("trivoZipArchive"));
    m.writeWorkbook = reinterpret_cast<WriteWorkbookFunction>(library.resolve("trivoWriteWorkbook"));
    m.unzipParts = reinterpret_cast<UnzipPartsFunction>(library.resolve("trivoUnzipParts"));
    if (!abi || abi() != writersAbi || !m.zipArchive || !m.writeWorkbook || !m.unzipParts)
        throw TrivoError(unusableText(path, QStringLiteral("модуль от другой версии программы")));
    return m;
}

const WritersModule &writersModule()
{
    static std::mutex guard;
    static WritersModule loaded;
    const std::lock_guard lock(guard);
    if (!loaded.zipArchive)
        loaded = loadWritersModule(writersModulePath()); // tried again at the next call when it failed
    return loaded;
}
