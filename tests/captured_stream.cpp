// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#include "captured_stream.h"

#include <unistd.h>

#include <stdexcept>

namespace prelude::testing {

TemporaryStream::TemporaryStream() : file_(std::tmpfile()) {
    if (file_ == nullptr) throw std::runtime_error("tmpfile");
}

TemporaryStream::~TemporaryStream() {
    std::fclose(file_);
}

std::string TemporaryStream::contents() const {
    std::fflush(file_);
    const long end = std::ftell(file_);
    std::string bytes(static_cast<std::size_t>(end), '\0');
    std::rewind(file_);
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file_);
    bytes.resize(got);
    std::fseek(file_, 0, SEEK_END);
    return bytes;
}

CapturedStdout::CapturedStdout() {
    std::fflush(stdout);
    saved_descriptor_ = dup(STDOUT_FILENO);
    if (saved_descriptor_ < 0 || dup2(fileno(target_.get()), STDOUT_FILENO) < 0) {
        throw std::runtime_error("redirecting stdout");
    }
}

CapturedStdout::~CapturedStdout() {
    std::fflush(stdout);
    dup2(saved_descriptor_, STDOUT_FILENO);
    close(saved_descriptor_);
}

std::string CapturedStdout::contents() const {
    std::fflush(stdout);
    // The descriptor shares its offset with target_'s stream: read the file
    // through a fresh description instead.
    std::string bytes;
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", fileno(target_.get()));
    FILE* reader = std::fopen(path, "rb");
    if (reader == nullptr) throw std::runtime_error("reopening the captured output");
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, reader)) > 0) bytes.append(buffer, got);
    std::fclose(reader);
    return bytes;
}

}  // namespace prelude::testing
