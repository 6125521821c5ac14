#pragma once
// SHA-256 of a byte string as 64 lower-case hex digits: the backup's
// manifest names each file's digest, so a restore can prove it is whole.
#include <string>
#include <string_view>

std::string sha256Hex(std::string_view data);
