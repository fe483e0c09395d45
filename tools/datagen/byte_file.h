// The generator's one way to write a file.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Writes bytes as the whole file at path; false (with a message on stderr) when it cannot be
// opened, written or closed.
bool write_bytes(const std::string& path, const std::vector<uint8_t>& bytes);
