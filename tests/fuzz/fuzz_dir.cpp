#include "fuzz_dir.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

std::string g_fuzz_dir; // the folder to remove at exit

void remove_dir() {
    std::error_code ec;
    std::filesystem::current_path(std::filesystem::temp_directory_path(ec), ec);
    std::filesystem::remove_all(g_fuzz_dir, ec);
}

} // namespace

void fuzz_enter_dir() {
    if (!g_fuzz_dir.empty()) return;
    std::error_code ec;
    std::string tmpl = (std::filesystem::temp_directory_path(ec) / "quelbo-fuzz-XXXXXX").string();
    if (ec || !mkdtemp(tmpl.data())) fuzz_fail("cannot make the temporary folder");
    g_fuzz_dir = tmpl;
    std::atexit(remove_dir);
    for (const char* sub : {"data", "pics", "sounds"})
        std::filesystem::create_directory(std::filesystem::path(g_fuzz_dir) / sub, ec);
    std::filesystem::current_path(g_fuzz_dir, ec);
    if (ec) fuzz_fail("cannot enter the temporary folder");
}

void fuzz_write_file(const char* path, const uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(path, "wb");
    if (!f) fuzz_fail("cannot write the input file");
    const bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
    if (std::fclose(f) != 0 || !ok) fuzz_fail("cannot write the input file");
}

void fuzz_fail(const char* what) {
    std::fprintf(stderr, "fuzz expectation failed: %s\n", what);
    std::abort();
}
