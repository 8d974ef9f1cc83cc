#include "cli/options.h"

#include <algorithm>
#include <cstdlib>

std::optional<std::string> ParsedArgs::One(const std::string& name) const {
    const auto found = values.find(name);
    if (found == values.end() || found->second.empty()) return std::nullopt;
    return found->second.front();
}

namespace {

const OptionRule* FindRule(const std::vector<OptionRule>& rules, const std::string& name) {
    const auto found = std::find_if(rules.begin(), rules.end(),
                                    [&](const OptionRule& rule) { return rule.name == name; });
    return found == rules.end() ? nullptr : &*found;
}

}  // namespace

std::optional<ParsedArgs> ParseArgs(const std::vector<std::string>& args,
                                    const std::vector<OptionRule>& rules, std::string* error) {
    ParsedArgs parsed;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            parsed.help = true;
            continue;
        }
        if (arg.size() < 2 || arg[0] != '-') {
            parsed.plain.push_back(arg);
            continue;
        }
        const OptionRule* rule = FindRule(rules, arg);
        if (rule == nullptr) {
            *error = "unknown option " + arg;
            return std::nullopt;
        }
        if (parsed.Has(arg) && !rule->repeatable) {
            *error = "option " + arg + " given twice";
            return std::nullopt;
        }
        if (rule->takesValue && i + 1 >= args.size()) {
            *error = "option " + arg + " needs a value";
            return std::nullopt;
        }
        parsed.values[arg].push_back(rule->takesValue ? args[++i] : "");
    }
    return parsed;
}

std::optional<long> ParseCount(const std::string& text, long low, long high) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (value < low || value > high) return std::nullopt;
    return value;
}

std::vector<std::string> SplitAt(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}
