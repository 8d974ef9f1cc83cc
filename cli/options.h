#pragma once
// A small command-line parser: named options (with or without a value, some
// repeatable) and plain arguments, in any order.

#include <map>
#include <optional>
#include <string>
#include <vector>

struct OptionRule {
    std::string name;  // "-o", "--json"
    bool takesValue = true;
    bool repeatable = false;
};

struct ParsedArgs {
    std::map<std::string, std::vector<std::string>> values;  // flags hold one empty value
    std::vector<std::string> plain;
    bool help = false;

    bool Has(const std::string& name) const { return values.count(name) != 0; }
    std::optional<std::string> One(const std::string& name) const;
};

// Null, with `error` set, on an unknown option, a missing value or an option
// given twice that may be given once.
std::optional<ParsedArgs> ParseArgs(const std::vector<std::string>& args,
                                    const std::vector<OptionRule>& rules, std::string* error);

// Whole decimal numbers only: no sign, no spaces, no trailing text.
std::optional<long> ParseCount(const std::string& text, long low, long high);
// Splits at every separator; "a,,b" gives an empty middle part.
std::vector<std::string> SplitAt(const std::string& text, char separator);
