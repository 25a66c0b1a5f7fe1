// A build without a zip library: every archive is refused with the reason.
#include "model/zip_archive.h"

namespace halvex {

struct ZipArchive::Reader {};

ZipArchive::ZipArchive(std::unique_ptr<Reader> reader) : reader_(std::move(reader)) {}
ZipArchive::~ZipArchive() = default;

std::unique_ptr<ZipArchive> ZipArchive::Open(const std::string& /*path*/, std::string* error) {
  *error = "this build of Halvex reads no zip archives";
  return nullptr;
}

std::optional<std::string> ZipArchive::Read(const std::string& entry, std::uint64_t /*maxBytes*/,
                                            std::string* error) {
  *error = entry + " cannot be opened";
  return std::nullopt;
}

}  // namespace halvex
