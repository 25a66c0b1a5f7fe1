#include "model/search_path.h"

#include "model/embedded_files.h"
#include "model/ldraw_reader.h"
#include "model/line_cursor.h"
#include "model/library_name.h"
#include "model/zip_archive.h"

namespace halvex {
namespace {

bool EndsWithSeparator(std::string_view path) {
  return !path.empty() && (path.back() == '\\' || path.back() == '/');
}

// The folder part of a path as a search prefix: up to and including its
// last separator, ".\" when it has none.
std::string SearchPrefixOf(std::string_view path) {
  std::size_t last = path.find_last_of("\\/");
  if (last == std::string_view::npos) return ".\\";
  return std::string(path.substr(0, last + 1));
}

// The text of an archive entry as a file's text is read from disk: less a
// UTF-8 byte order mark at its start.
std::string WithoutByteOrderMark(std::string text) {
  text.erase(0, ByteOrderMarkLength(text));
  return text;
}

}  // namespace

SearchPath::SearchPath(PathResolver& resolver) : resolver_(resolver) {}
SearchPath::~SearchPath() = default;

void SearchPath::Add(std::string_view prefix) {
  locations_.push_back({std::string(prefix), nullptr, {}, {}});
}

void SearchPath::AddInputFolder(std::string_view inFile) {
  std::string folder = SearchPrefixOf(inFile);
  for (const char* sub : {"", "p\\", "s\\"}) Add(folder + sub);
}

LibraryStatus SearchPath::AddLibrary(std::string_view root, std::string* error) {
  std::string folder(root);
  std::optional<std::string> file = folder.empty() ? std::nullopt : resolver_.FindFile(folder);
  if (!file) {
    if (!folder.empty() && !EndsWithSeparator(folder)) folder.push_back('\\');
    for (const char* sub : kLibraryFolders) Add(folder + sub);
    const std::string here = folder.empty() ? "." : folder;
    if (!resolver_.IsFolder(here)) {
      return resolver_.IsPresent(here) ? LibraryStatus::kNeitherFolderNorFile
                                       : LibraryStatus::kMissingFolder;
    }
    if (!resolver_.IsFolder(folder + "parts") && !resolver_.IsFolder(folder + "p")) {
      return LibraryStatus::kNoLibraryFolders;
    }
    return LibraryStatus::kLibrary;
  }
  std::unique_ptr<ZipArchive> archive = ZipArchive::Open(*file, error);
  if (!archive) return LibraryStatus::kUnreadableArchive;
  std::string inArchive = archive->LibraryRoot();
  for (const char* sub : kLibraryFolders) {
    locations_.push_back(
        {folder + "\\" + sub, archive.get(), inArchive + NameKey(sub) + "/", *file});
  }
  bool holdsLibrary = archive->HoldsFolder(inArchive + "parts") || archive->HoldsFolder(inArchive + "p");
  archives_.push_back(std::move(archive));
  return holdsLibrary ? LibraryStatus::kLibrary : LibraryStatus::kNoLibraryFolders;
}

const Subfile* SearchPath::Open(std::string_view name) {
  // After a failed read the run stops: nothing more is read.
  if (!error_.empty()) return nullptr;
  if (embedded_) {
    if (const Subfile* file = embedded_->Find(name)) return file;
  }
  std::string key = NameKey(name);
  auto known = byName_.find(key);
  if (known != byName_.end()) return known->second;
  // Every location is given the name as the rule reads it, so that a folder
  // and an archive of the same library find the same files.
  const std::string normalized = NormalizedName(name);
  const Subfile* found = nullptr;
  for (const Location& location : locations_) {
    if ((found = Read(location, normalized))) break;
    // An entry found but not read stops the search: a later location must
    // not stand in for a damaged library.
    if (!error_.empty()) return nullptr;
  }
  byName_.emplace(std::move(key), found);
  return found;
}

const Subfile* SearchPath::Read(const Location& location, const std::string& name) {
  if (!location.archive) {
    std::optional<std::string> path = resolver_.FindFile(location.text + name);
    return path ? ReadFromDisk(*path) : nullptr;
  }
  std::optional<std::string> entry = location.archive->Find(location.inArchive + name);
  if (!entry) return nullptr;
  // Entries are told apart by the archive they are in and their name.
  std::string path = location.archivePath + "|" + *entry;
  auto cached = byPath_.find(path);
  if (cached != byPath_.end()) return cached->second;
  std::string error;
  std::optional<std::string> text = location.archive->Read(*entry, kMaxSubfileBytes, &error);
  if (!text) {
    error_ = "Library " + location.archivePath + " cannot be read: " + error;
    return nullptr;
  }
  return Keep(std::move(path), WithoutByteOrderMark(std::move(*text)));
}

// A file on disk is one Subfile by whatever path it was reached: the same
// path, or another path to the same file (a link, "s\..\x.dat").
const Subfile* SearchPath::ReadFromDisk(const std::string& path) {
  auto cached = byPath_.find(path);
  if (cached != byPath_.end()) return cached->second;
  std::optional<FileIdentity> identity = IdentityOfFile(path);
  if (identity) {
    auto same = byIdentity_.find(*identity);
    if (same != byIdentity_.end()) {
      byPath_.emplace(path, same->second);
      return same->second;
    }
  }
  ReadFailure failure;
  std::optional<std::string> text = ReadFileText(path, kMaxSubfileBytes, &failure);
  if (!text) {
    // A file that cannot be opened is not there for the search; one that
    // was opened but not read whole stops it.
    if (failure.opened) error_ = "Subfile " + path + " cannot be read: " + failure.reason;
    return nullptr;
  }
  Subfile* kept = Keep(path, std::move(*text));
  kept->top = path == topPath_ || (identity && identity == topIdentity_);
  if (identity) byIdentity_.emplace(*identity, kept);
  return kept;
}

void SearchPath::SetTopFile(const std::string& path) {
  topPath_ = path;
  topIdentity_ = IdentityOfFile(path);
}

Subfile* SearchPath::Keep(std::string path, std::string text) {
  Subfile* kept =
      files_.emplace_back(std::make_unique<Subfile>(Subfile{path, std::move(text), false})).get();
  byPath_.emplace(std::move(path), kept);
  return kept;
}

std::string SearchPath::ToText() const {
  std::string out;
  for (std::size_t k = 0; k < locations_.size(); ++k) {
    if (k > 0) out.append(", ");
    out.append(locations_[k].text);
  }
  return out;
}

}  // namespace halvex
