#include "FaultPlan.h"

#include <cctype>

namespace ModuleSim {

bool FaultPlan::AddNoAnswer(std::string_view spec)
{
    return Add(spec, Action::NoAnswer, false);
}

bool FaultPlan::AddErrorOn(std::string_view spec)
{
    return Add(spec, Action::Refuse, true);
}

bool FaultPlan::Add(std::string_view spec, Action action, bool countRequired)
{
    if (spec.empty() || !std::isalpha(static_cast<unsigned char>(spec[0])))
        return false;
    const char kind = static_cast<char>(std::toupper(static_cast<unsigned char>(spec[0])));
    long nth = 0;
    if (spec.size() > 1) {
        if (spec[1] != ':' || spec.size() == 2 || spec.size() > 11)
            return false;
        for (char c : spec.substr(2)) {
            if (c < '0' || c > '9')
                return false;
            nth = nth * 10 + (c - '0');
        }
        if (nth == 0)
            return false;
    } else if (countRequired) {
        return false;
    }
    rules_.push_back(Rule{action, kind, nth});
    return true;
}

bool FaultPlan::AddNoiseOn(std::string_view spec)
{
    return Add(spec, Action::Noisy, true);
}

FaultPlan::Action FaultPlan::Next(char kind)
{
    const long count = ++counts_[kind];
    // A refusal wins over a lost answer when both are scripted for one command.
    Action result = Action::Answer;
    for (const Rule &rule : rules_) {
        if (rule.kind != kind || (rule.nth != 0 && rule.nth != count))
            continue;
        if (rule.action == Action::Refuse)
            return Action::Refuse;
        result = rule.action;
    }
    return result;
}

} // namespace ModuleSim
