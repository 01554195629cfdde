#include "services/system/StackTrace.h"

#include <cxxabi.h>
#include <dlfcn.h>
#include <elf.h>
#include <execinfo.h>
#include <fcntl.h>
#include <link.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "util/Mutex.h"

namespace NuvraMobile {

namespace {

constexpr int MAX_FRAMES = 128;

/** The function symbols of one ELF file, sorted by address, read once from its symbol table. */
class SymbolTable {
public:
    explicit SymbolTable(const std::string& path) { Load(path); }

    /** The name of the function holding `address` (file-relative for shared objects) and the offset into it.
     */
    bool Find(uintptr_t address, std::string& name, uintptr_t& offset) const {
        auto after =
            std::upper_bound(symbols_.begin(), symbols_.end(), address,
                             [](uintptr_t value, const Symbol& symbol) { return value < symbol.start; });
        if (after == symbols_.begin()) {
            return false;
        }
        const Symbol& symbol = *(after - 1);
        if (address >= symbol.start + std::max<uintptr_t>(symbol.size, 1)) {
            return false;
        }
        name = symbol.name;
        offset = address - symbol.start;
        return true;
    }

    /** True for position-independent files, whose symbol addresses are relative to the load address. */
    bool IsRelocatable() const { return relocatable_; }

private:
    struct Symbol {
        uintptr_t start;
        uintptr_t size;
        std::string name;
    };

    void Load(const std::string& path) {
        int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (file < 0) {
            return;
        }
        struct stat status {};
        void* mapped = MAP_FAILED;
        if (fstat(file, &status) == 0 && static_cast<size_t>(status.st_size) >= sizeof(ElfW(Ehdr))) {
            mapped = mmap(nullptr, static_cast<size_t>(status.st_size), PROT_READ, MAP_PRIVATE, file, 0);
        }
        close(file);
        if (mapped == MAP_FAILED) {
            return;
        }
        Read(static_cast<const unsigned char*>(mapped), static_cast<size_t>(status.st_size));
        munmap(mapped, static_cast<size_t>(status.st_size));
        std::sort(symbols_.begin(), symbols_.end(),
                  [](const Symbol& left, const Symbol& right) { return left.start < right.start; });
    }

    void Read(const unsigned char* image, size_t size) {
        auto* header = reinterpret_cast<const ElfW(Ehdr)*>(image);
        if (std::memcmp(header->e_ident, ELFMAG, SELFMAG) != 0 || header->e_shoff == 0 ||
            header->e_shoff + header->e_shnum * sizeof(ElfW(Shdr)) > size) {
            return;
        }
        relocatable_ = header->e_type == ET_DYN;
        auto* sections = reinterpret_cast<const ElfW(Shdr)*>(image + header->e_shoff);
        for (size_t index = 0; index < header->e_shnum; ++index) {
            const ElfW(Shdr)& section = sections[index];
            if (section.sh_type != SHT_SYMTAB || section.sh_link >= header->e_shnum) {
                continue;
            }
            const ElfW(Shdr)& strings = sections[section.sh_link];
            if (section.sh_offset + section.sh_size > size || strings.sh_offset + strings.sh_size > size) {
                continue;
            }
            auto* entries = reinterpret_cast<const ElfW(Sym)*>(image + section.sh_offset);
            const char* names = reinterpret_cast<const char*>(image + strings.sh_offset);
            for (size_t entry = 0; entry < section.sh_size / sizeof(ElfW(Sym)); ++entry) {
                const ElfW(Sym)& symbol = entries[entry];
                if (ELF64_ST_TYPE(symbol.st_info) == STT_FUNC && symbol.st_value != 0 &&
                    symbol.st_name < strings.sh_size) {
                    symbols_.push_back(Symbol{symbol.st_value, symbol.st_size, names + symbol.st_name});
                }
            }
        }
    }

    std::vector<Symbol> symbols_;
    bool relocatable_ = false;
};

/** Symbol tables of the modules seen so far; kept for the life of the process. */
const SymbolTable& TableFor(const std::string& path) {
    struct Tables {
        Mutex mutex;
        std::map<std::string, std::unique_ptr<SymbolTable>> byPath NVR_GUARDED_BY(mutex);
    };
    static auto* tables = new Tables();
    MutexLock lock(tables->mutex);
    std::unique_ptr<SymbolTable>& table = tables->byPath[path];
    if (!table) {
        table = std::make_unique<SymbolTable>(path);
    }
    return *table;
}

std::string Demangle(const char* name) {
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> demangled(
        abi::__cxa_demangle(name, nullptr, nullptr, &status), std::free);
    return status == 0 && demangled ? demangled.get() : name;
}

std::string BaseName(const char* path) {
    const char* slash = std::strrchr(path, '/');
    return slash != nullptr ? slash + 1 : path;
}

std::string DescribeFrame(size_t index, void* frame) {
    auto address = reinterpret_cast<uintptr_t>(frame);
    Dl_info info{};
    std::string module = "?";
    std::string function = "?";
    uintptr_t offset = 0;
    if (dladdr(frame, &info) != 0 && info.dli_fname != nullptr) {
        module = BaseName(info.dli_fname);
        std::string modulePath = info.dli_fname;
        if (modulePath.empty() || modulePath.find('/') == std::string::npos) {
            modulePath = "/proc/self/exe";
        }
        const SymbolTable& table = TableFor(modulePath);
        uintptr_t lookup =
            table.IsRelocatable() ? address - reinterpret_cast<uintptr_t>(info.dli_fbase) : address;
        std::string name;
        if (table.Find(lookup, name, offset)) {
            function = Demangle(name.c_str());
        } else if (info.dli_sname != nullptr) {
            function = Demangle(info.dli_sname);
            offset = address - reinterpret_cast<uintptr_t>(info.dli_saddr);
        }
    }
    char prefix[64];
    std::snprintf(prefix, sizeof(prefix), "%zu %s 0x%016" PRIxPTR " ", index, module.c_str(), address);
    char suffix[32];
    std::snprintf(suffix, sizeof(suffix), " + %" PRIuPTR, offset);
    return prefix + function + suffix;
}

}  // namespace

std::string CurrentStackTrace() {
    void* frames[MAX_FRAMES];
    int count = backtrace(frames, MAX_FRAMES);
    std::string trace;
    for (int index = 1; index < count; ++index) {
        trace += "\n" + DescribeFrame(static_cast<size_t>(index - 1), frames[index]);
    }
    return trace;
}

}  // namespace NuvraMobile
