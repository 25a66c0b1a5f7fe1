#include "model/embedded_files.h"

#include <unordered_set>

#include "elements/subfile_ref.h"
#include "geometry/number_text.h"
#include "model/line_cursor.h"
#include "model/library_name.h"
#include "model/model.h"

namespace halvex {
namespace {

// A name as embedded files are matched: its NameKey, blanks around it
// dropped.
std::string KeyOf(std::string_view name) { return NameKey(TrimSpace(name)); }

// Whether `text` is `keyword` alone or followed by a blank, and so the
// rest of the text after it.
bool StartsWithKeyword(std::string_view text, std::string_view keyword, std::string_view* rest) {
  if (!text.starts_with(keyword)) return false;
  text.remove_prefix(keyword.size());
  if (!text.empty() && !IsSpace(text.front())) return false;
  *rest = TrimSpace(text);
  return true;
}

}  // namespace

SectionMark SectionMarkOf(std::string_view metaText, std::string_view* name) {
  std::string_view text = TrimSpace(metaText);
  std::string_view rest;
  if (StartsWithKeyword(text, "FILE", &rest) && !rest.empty()) {
    *name = rest;
    return SectionMark::kFile;
  }
  if (StartsWithKeyword(text, "!DATA", &rest) && !rest.empty()) {
    *name = rest;
    return SectionMark::kData;
  }
  if (StartsWithKeyword(text, "NOFILE", &rest) && rest.empty()) return SectionMark::kNoFile;
  return SectionMark::kNone;
}

void EmbeddedFiles::MarkMpd(std::string_view name) {
  isMpd_ = true;
  model_.key = KeyOf(name);
  model_.file.path = std::string(TrimSpace(name));
  // A reference to the model's own section, from the model or from a file
  // it references, is a loop.
  model_.file.top = true;
  byKey_.emplace(model_.key, &model_);
}

void EmbeddedFiles::AddModelLine(std::string_view line) {
  model_.file.text.append(line);
  model_.file.text.append("\r\n");
}

void EmbeddedFiles::StartSection(SectionMark mark, std::string_view name, std::string_view line) {
  auto section = std::make_unique<Section>(
      Section{mark, KeyOf(name), Subfile{std::string(TrimSpace(name)), {}, false}});
  // The first of two sections of the same name is the one found, as a
  // library's first location holding a name is.
  if (mark == SectionMark::kFile) byKey_.try_emplace(section->key, section.get());
  sections_.push_back(std::move(section));
  AddLine(line);
}

void EmbeddedFiles::AddLine(std::string_view line) {
  std::string& text = sections_.empty() ? afterModel_ : sections_.back()->file.text;
  text.append(line);
  text.append("\r\n");
}

const Subfile* EmbeddedFiles::Find(std::string_view name) const {
  if (byKey_.empty()) return nullptr;
  auto found = byKey_.find(KeyOf(name));
  return found == byKey_.end() ? nullptr : &found->second->file;
}

std::string EmbeddedFiles::TextAfter(const Model& output, bool all) const {
  // The embedded files the output references, and those they reference in
  // turn, found by walking the references of each file once.
  std::unordered_set<const Subfile*> kept;
  std::vector<const Subfile*> unread;
  auto keep = [&](std::string_view name) {
    const Subfile* file = Find(name);
    if (file && kept.insert(file).second) unread.push_back(file);
  };
  if (!all) {
    for (int i = 0; i < output.Size(); ++i) {
      const Element& element = output.ElementAt(i);
      if (element.LineType() == kSubfileType) keep(static_cast<const SubfileRef&>(element).Name());
    }
    while (!unread.empty()) {
      const Subfile* file = unread.back();
      unread.pop_back();
      LineCursor cursor(file->text);
      std::string_view line;
      while (cursor.Next(&line)) {
        std::optional<int> type = ScanInt(line, 0);
        if (type && *type == kSubfileType) keep(SubfileRef(line).Name());
      }
    }
  }
  std::string text = afterModel_;
  for (const auto& section : sections_) {
    if (all || section->mark == SectionMark::kData || kept.contains(&section->file)) {
      text.append(section->file.text);
    }
  }
  return text;
}

}  // namespace halvex
