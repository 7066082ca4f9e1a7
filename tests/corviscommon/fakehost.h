#pragma once

#include "corviscommon/command.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

// A host played by a table: each command the code under test runs gets the output given for it
// (nothing, with result 0, for a command not in the table). The commands run are recorded.
class FakeHost
{
public:
    FakeHost& answer(const std::string& cmd, const std::string& out, int result = 0)
    {
        state_->answers[cmd] = {result, out};
        return *this;
    }

    // For every command that contains `fragment`, when no exact answer is given.
    FakeHost& answerContaining(const std::string& fragment, const std::string& out, int result = 0)
    {
        state_->fragments.push_back({fragment, {result, out}});
        return *this;
    }

    CommandRunner runner() const
    {
        std::shared_ptr<State> state = state_;
        return [state](const std::string& cmd, std::string& out) {
            state->commands.push_back(cmd);
            const auto it = state->answers.find(cmd);
            if (it != state->answers.end()) {
                out = it->second.second;
                return it->second.first;
            }
            for (const auto& fragment : state->fragments) {
                if (cmd.find(fragment.first) != std::string::npos) {
                    out = fragment.second.second;
                    return fragment.second.first;
                }
            }
            out.clear();
            return 0;
        };
    }

    const std::vector<std::string>& commands() const { return state_->commands; }

    bool ran(const std::string& cmd) const
    {
        for (const std::string& c : state_->commands) {
            if (c == cmd) {
                return true;
            }
        }
        return false;
    }

private:
    struct State {
        std::map<std::string, std::pair<int, std::string>> answers;
        std::vector<std::pair<std::string, std::pair<int, std::string>>> fragments;
        std::vector<std::string> commands;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};
