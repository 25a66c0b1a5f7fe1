// The check of one LDraw file against LDraw.org's rules for the official
// library, line by line and as a whole, without its subfiles.
#pragma once

#include <string_view>
#include <vector>

#include "checking/finding.h"
#include "checking/header_rules.h"
#include "checking/source_file.h"

namespace halvex {

struct FileCheck {
  std::vector<Finding> findings;  // in line order
  HeaderFacts header;
};

// Checks `file`, whose own name (without folders) is `fileName`.
FileCheck CheckFile(const SourceFile& file, std::string_view fileName);

// Sorts findings by line, keeping the order of those on one line.
void SortByLine(std::vector<Finding>& findings);

}  // namespace halvex
