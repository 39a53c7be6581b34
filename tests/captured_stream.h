// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#pragma once

#include <cstdio>
#include <string>

namespace prelude::testing {

// A temporary file opened for writing and reading back.
class TemporaryStream {
  public:
    TemporaryStream();
    ~TemporaryStream();
    TemporaryStream(const TemporaryStream&) = delete;
    TemporaryStream& operator=(const TemporaryStream&) = delete;

    FILE* get() const { return file_; }
    std::string contents() const;  // flushes, then reads every byte written so far

  private:
    FILE* file_;
};

// Points the standard output descriptor at a temporary file while alive, so
// that what the code under test writes to stdout can be read back.
class CapturedStdout {
  public:
    CapturedStdout();
    ~CapturedStdout();
    CapturedStdout(const CapturedStdout&) = delete;
    CapturedStdout& operator=(const CapturedStdout&) = delete;

    std::string contents() const;

  private:
    TemporaryStream target_;
    int saved_descriptor_;
};

}  // namespace prelude::testing
