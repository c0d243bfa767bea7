// Whether a file is a program this machine can run: an ELF executable of the running
// program's own kind (word size, byte order, processor), whose headers and loadable
// segments all lie inside the file, so that a download cut short is recognised too.
#include "platform/host.h"
#include "platform/text.h"

#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace host {
namespace {

#if __SIZEOF_POINTER__ == 8
using Ehdr = Elf64_Ehdr;
using Phdr = Elf64_Phdr;
using Shdr = Elf64_Shdr;
#else
using Ehdr = Elf32_Ehdr;
using Phdr = Elf32_Phdr;
using Shdr = Elf32_Shdr;
#endif

bool ReadAt(int fd, void* buffer, size_t size, std::uint64_t offset) {
    auto* p = static_cast<char*>(buffer);
    while (size > 0) {
        ssize_t n = pread(fd, p, size, off_t(offset));
        if (n <= 0) return false;
        p += n;
        size -= size_t(n);
        offset += std::uint64_t(n);
    }
    return true;
}

// `offset` + `count` x `each` bytes lie inside a file of `size` bytes, without overflow.
bool Inside(std::uint64_t offset, std::uint64_t count, std::uint64_t each, std::uint64_t size) {
    if (offset > size) return false;
    if (each != 0 && count > (size - offset) / each) return false;
    return true;
}

bool OwnHeader(Ehdr& own) {
    int fd = open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = ReadAt(fd, &own, sizeof own, 0);
    close(fd);
    return ok;
}

bool CheckOpen(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    std::uint64_t size = std::uint64_t(st.st_size);
    Ehdr own{}, elf{};
    if (!OwnHeader(own) || size < sizeof elf || !ReadAt(fd, &elf, sizeof elf, 0)) return false;
    const unsigned char magic[] = {ELFMAG0, ELFMAG1, ELFMAG2, ELFMAG3};
    for (int i = 0; i < 4; ++i)
        if (elf.e_ident[i] != magic[i]) return false;
    if (elf.e_ident[EI_CLASS] != own.e_ident[EI_CLASS] ||
        elf.e_ident[EI_DATA] != own.e_ident[EI_DATA] || elf.e_ident[EI_VERSION] != EV_CURRENT ||
        elf.e_machine != own.e_machine)
        return false;
    if (elf.e_type != ET_EXEC && elf.e_type != ET_DYN) return false;

    if (elf.e_phnum == 0 || elf.e_phentsize != sizeof(Phdr) ||
        !Inside(elf.e_phoff, elf.e_phnum, sizeof(Phdr), size))
        return false;
    bool loadable = false;
    for (unsigned i = 0; i < elf.e_phnum; ++i) {
        Phdr ph{};
        if (!ReadAt(fd, &ph, sizeof ph, elf.e_phoff + std::uint64_t(i) * sizeof ph)) return false;
        if (!Inside(ph.p_offset, 1, ph.p_filesz, size)) return false;
        if (ph.p_type == PT_LOAD) loadable = true;
    }
    if (!loadable) return false;
    // The section table, when there is one, usually sits at the very end of the file.
    if (elf.e_shnum != 0 &&
        (elf.e_shentsize != sizeof(Shdr) || !Inside(elf.e_shoff, elf.e_shnum, sizeof(Shdr), size)))
        return false;
    return true;
}

} // namespace

bool IsProgramForThisMachine(const std::string& file) {
    int fd = open(text::ToHostPath(file).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = CheckOpen(fd);
    close(fd);
    return ok;
}

} // namespace host
