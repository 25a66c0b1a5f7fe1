#include "platform/output_file.h"

#include <cerrno>

#include "platform/file_system.h"
#include "platform/output_file_platform.h"

namespace halvex {

using output_platform::CloseFile;
using output_platform::GuardTemporary;
using output_platform::OpenOutput;
using output_platform::PutInPlace;
using output_platform::ReleaseTemporary;
using output_platform::RemoveFile;
using output_platform::WriteSome;

namespace {

constexpr std::size_t kBufferSize = 1 << 16;

}  // namespace

std::optional<OutputFile> OutputFile::Create(const std::string& path, std::string* reason) {
  if (path.empty()) {
    *reason = "no file name";
    return std::nullopt;
  }
  std::string target;
  std::string temporary;
  int fd = OpenOutput(path, &target, &temporary);
  if (fd < 0) {
    *reason = LastErrorText();
    return std::nullopt;
  }
  return OutputFile(fd, std::move(target), std::move(temporary));
}

OutputFile::OutputFile(int fd, std::string target, std::string temporary)
    : fd_(fd), target_(std::move(target)), temporary_(std::move(temporary)) {
  buffer_.reserve(kBufferSize);
  if (!temporary_.empty()) GuardTemporary(temporary_, fd_);
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : fd_(other.fd_),
      target_(std::move(other.target_)),
      temporary_(std::move(other.temporary_)),
      buffer_(std::move(other.buffer_)),
      failed_(other.failed_),
      reason_(std::move(other.reason_)) {
  other.fd_ = -1;
  other.temporary_.clear();
}

OutputFile::~OutputFile() { Abandon(); }

void OutputFile::Write(std::string_view text) {
  buffer_.append(text);
  if (buffer_.size() >= kBufferSize) Flush();
}

void OutputFile::Flush() {
  std::size_t done = 0;
  while (!failed_ && done < buffer_.size()) {
    auto written = WriteSome(fd_, buffer_.data() + done, buffer_.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      failed_ = true;
      reason_ = written < 0 ? LastErrorText() : "nothing could be written";
      break;
    }
    done += static_cast<std::size_t>(written);
  }
  buffer_.clear();
}

bool OutputFile::Commit() {
  if (fd_ < 0) return false;
  Flush();
  int fd = fd_;
  fd_ = -1;
  if (CloseFile(fd) != 0 && !failed_) {
    failed_ = true;
    reason_ = LastErrorText();
  }
  if (failed_) {
    Abandon();
    return false;
  }
  if (!temporary_.empty()) {
    if (!PutInPlace(temporary_, target_)) {
      reason_ = LastErrorText();
      Abandon();
      return false;
    }
    ReleaseTemporary();
    temporary_.clear();
  }
  return true;
}

void OutputFile::Abandon() {
  if (fd_ >= 0) {
    CloseFile(fd_);
    fd_ = -1;
  }
  if (!temporary_.empty()) {
    RemoveFile(temporary_);
    ReleaseTemporary();
    temporary_.clear();
  }
}

}  // namespace halvex
