// The files embedded in a multi-part file (an MPD): a model file holding
// several LDraw files, each section opened by "0 FILE name" and ended by
// "0 NOFILE" or the next section, and "0 !DATA name" sections of encoded
// data. The first section is the model a run works on; the others are kept
// here as read, to be found by name before any library file and to be
// written after the processed model.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/subfile.h"

namespace halvex {

class Model;

// What a line of an MPD starts, if anything.
enum class SectionMark { kNone, kFile, kNoFile, kData };

// The mark of a meta line's text (what follows "0 "), and the section's name
// for kFile and kData. The keywords are matched in upper case only: "0 File
// created by ..." is a comment that older tools write into plain files.
SectionMark SectionMarkOf(std::string_view metaText, std::string_view* name);

class EmbeddedFiles {
 public:
  // Whether the file read had any "0 FILE" line: only then is it an MPD.
  bool IsMpd() const { return isMpd_; }

  // The reader's calls, in the order of the file's lines. MarkMpd at the
  // first "0 FILE" line, which opens the model's own section, and
  // AddModelLine for each line of that section, that line included; then
  // every line from the end of the model's section on, through StartSection
  // at each section start and AddLine for the other lines (before the first
  // section start: the model's "0 NOFILE" line and what follows it).
  void MarkMpd(std::string_view name);
  void AddModelLine(std::string_view line);
  void StartSection(SectionMark mark, std::string_view name, std::string_view line);
  void AddLine(std::string_view line);

  // The embedded file `name` names, matched by NameKey with blanks around
  // it dropped; none when there is none. The model's own section is found
  // too, as read (a reference back to it is a loop). Data sections are no
  // LDraw files and are never found.
  const Subfile* Find(std::string_view name) const;

  // The text to write after the processed model: the model's "0 NOFILE"
  // line and the lines that followed it, then every embedded file that `output` still
  // references (directly or through other embedded files; all of them when
  // `all` is set), then every data section, each in the order of the input
  // and unchanged, every line ended by CR LF.
  std::string TextAfter(const Model& output, bool all) const;

 private:
  struct Section {
    SectionMark mark;
    std::string key;  // The name as Find matches it.
    Subfile file;     // The name, and the section's lines with CR LF ends.
  };

  bool isMpd_ = false;
  Section model_{SectionMark::kFile, {}, {}};
  std::string afterModel_;
  std::vector<std::unique_ptr<Section>> sections_;
  std::unordered_map<std::string, const Section*> byKey_;
};

}  // namespace halvex
