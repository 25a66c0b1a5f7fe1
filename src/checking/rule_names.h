// The names of the rules a check applies, as findings and their counts name
// them. Each rule's source and limits are given where it is checked.
#pragma once

#include <string_view>

namespace halvex::rules {

// The lines of the file (line_rules.cc, polygon_rules.cc, number_rules.cc).
inline constexpr std::string_view kSyntax = "syntax";
inline constexpr std::string_view kMeta = "meta";
inline constexpr std::string_view kIdentical = "identical";
inline constexpr std::string_view kCollinear = "collinear";
inline constexpr std::string_view kConvex = "convex";
inline constexpr std::string_view kCoplanar = "coplanar";
inline constexpr std::string_view kControl = "control";
inline constexpr std::string_view kColour = "colour";
inline constexpr std::string_view kSingular = "singular";
inline constexpr std::string_view kDecimals = "decimals";
inline constexpr std::string_view kTrailingZero = "trailing-zero";
inline constexpr std::string_view kLeadingZero = "leading-zero";
inline constexpr std::string_view kSelfReference = "self-reference";

// Lines against each other (duplicate_rules.cc).
inline constexpr std::string_view kDuplicate = "duplicate";
inline constexpr std::string_view kOverlap = "overlap";

// The header (header_rules.cc).
inline constexpr std::string_view kDescription = "description";
inline constexpr std::string_view kName = "name";
inline constexpr std::string_view kAuthor = "author";
inline constexpr std::string_view kType = "type";
inline constexpr std::string_view kLicense = "license";
inline constexpr std::string_view kBfc = "bfc";
inline constexpr std::string_view kHeaderOrder = "header-order";

}  // namespace halvex::rules
