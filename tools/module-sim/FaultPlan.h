#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace ModuleSim {

// Scripted refusals and lost answers, by command kind (the letter after
// "AT") and by the count of commands of that kind received so far.
class FaultPlan {
public:
    enum class Action { Answer, NoAnswer, Refuse, Noisy };

    // "KIND" or "KIND:N" for --no-answer; "KIND:N" for --error-on. N counts
    // from 1. Returns false (and leaves the plan unchanged) on bad text.
    bool AddNoAnswer(std::string_view spec);
    bool AddErrorOn(std::string_view spec);
    // "KIND:N" for --noise-on: the Nth command's answer arrives with noise
    // in its middle.
    bool AddNoiseOn(std::string_view spec);

    // Counts one more command of this kind and says what to do with it.
    Action Next(char kind);

    bool Empty() const { return rules_.empty(); }

private:
    struct Rule {
        Action action;
        char kind;
        long nth; // 0: every command of the kind
    };
    bool Add(std::string_view spec, Action action, bool countRequired);

    std::vector<Rule> rules_;
    std::map<char, long> counts_;
};

} // namespace ModuleSim
