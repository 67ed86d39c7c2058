#include "scan/name_enumeration.h"

#include <cstdint>
#include <vector>

#include "foundation/file_helpers.h"
#include "foundation/record_lines.h"
#include "foundation/text.h"

namespace scourwell::scan {
namespace {

using foundation::ReplaceAll;

std::string WithoutQuestionMarks(std::string_view text) { return ReplaceAll(text, "?", ""); }

// A whole decimal number of the integer range; false when it does not fit.
bool ParseDigits(std::string_view digits, int64_t& value) {
    long long parsed = 0;
    if (!foundation::ParseInt64(digits, parsed) || parsed < 0 || parsed > INT32_MAX) return false;
    value = parsed;
    return true;
}

}  // namespace

bool HasEnumeration(std::string_view candidate) {
    return foundation::FileNamePart(candidate).find("??") != std::string::npos;
}

bool EnumerateCandidates(std::string_view candidate,
                         const std::function<bool(const std::string&)>& visit) {
    const std::string folder = foundation::FolderPart(candidate);
    const std::string name = foundation::FileNamePart(candidate);
    const size_t marks = name.find("??");
    if (marks == std::string::npos) return true;

    // The spec of the ranges: from just after the first "??" through the last "?".
    const size_t from = marks + 2;
    const size_t last = name.rfind('?');
    const std::string spec = last != std::string::npos && last >= from
                                 ? name.substr(from, last - from + 1)
                                 : std::string();
    const std::string fieldA = foundation::ExtractField(spec, 0, '?');
    const std::string fieldB = foundation::ExtractField(spec, 1, '?');
    const std::string lettersA = foundation::LettersOnly(fieldA);
    const std::string lettersB = foundation::LettersOnly(fieldB);
    const std::string digitsA = foundation::DigitsOnly(fieldA);
    const std::string digitsB = foundation::DigitsOnly(fieldB);

    // Letter passes: a range of positions, or one pass with the empty letter.
    std::vector<std::string> letters;
    if (lettersA.size() == 1 && lettersB.size() == 1) {
        for (int i = foundation::LetterIndex(lettersA); i < foundation::LetterIndex(lettersB); ++i)
            letters.push_back(foundation::LetterAt(i));
    } else {
        letters.emplace_back();
    }

    // Number passes: [first, end), or one pass with 0; none when a number does not convert.
    int64_t first = 0;
    int64_t end = 1;
    if (!digitsA.empty() && !digitsB.empty()) {
        if (!ParseDigits(digitsA, first) || !ParseDigits(digitsB, end)) return true;
    }

    std::string previousNumber = digitsA;
    for (const std::string& letter : letters) {
        std::string piece = ReplaceAll(spec, lettersA, letter);
        piece = ReplaceAll(piece, lettersB, "");
        for (int64_t number = first; number < end; ++number) {
            piece = WithoutQuestionMarks(ReplaceAll(piece, digitsB, ""));
            const std::string current = std::to_string(number);
            piece = ReplaceAll(piece, previousNumber, current);
            previousNumber = current;
            const std::string generated =
                WithoutQuestionMarks(spec.empty() ? name : ReplaceAll(name, spec, piece));
            if (!visit(folder + generated)) return false;
        }
    }
    return true;
}

}  // namespace scourwell::scan
