// SPDX-License-Identifier: GPL-3.0-or-later
#include "frames_completion.h"

#include "frames_options.h"

#include <algorithm>

namespace tools {
namespace {

// The words joined by blanks; the names hold no character the shell would take apart.
template <typename Words>
std::string Joined(const Words& words) {
    std::string text;
    for (const std::string_view word : words) {
        text += text.empty() ? "" : " ";
        text += word;
    }
    return text;
}

// The spellings of the options that `keep` says yes to, each between blanks.
template <typename Keep>
std::string OptionNames(Keep keep) {
    std::vector<std::string_view> names;
    for (const FramesOptionInfo& row : FramesOptionTable) {
        if (keep(row)) {
            names.push_back(row.Name);
            if (!row.ShortName.empty()) {
                names.push_back(row.ShortName);
            }
        }
    }
    return " " + Joined(names) + " ";
}

// The spellings of the options that `keep` says yes to, as one pattern of a case branch.
template <typename Keep>
std::string OptionPattern(Keep keep) {
    std::string pattern = OptionNames(keep);
    pattern = pattern.substr(1, pattern.size() - 2);
    std::replace(pattern.begin(), pattern.end(), ' ', '|');
    return pattern;
}

// The case branch that completes the value of the options in `row`'s place.
std::string ValueBranch(const FramesOptionInfo& row) {
    std::string pattern(row.Name);
    switch (row.Value) {
    case FramesOptionValue::ovNone:
        return {};
    case FramesOptionValue::ovWhole:
    case FramesOptionValue::ovBins:
    case FramesOptionValue::ovTime:
    case FramesOptionValue::ovSize:
        // No number is offered: any in the range will do.
        return "        " + pattern + ")\n            return 0 ;;\n";
    case FramesOptionValue::ovFile:
        return "        " + pattern +
               ")\n"
               "            compopt -o filenames 2>/dev/null\n"
               "            mapfile -t COMPREPLY < <(compgen -f -- \"$current\")\n"
               "            return 0 ;;\n";
    case FramesOptionValue::ovDevice:
        // The server's inputs, unless an option is being begun: the device is optional.
        return "        " + pattern +
               ")\n"
               "            if [[ $current != -* ]]; then\n"
               "                mapfile -t COMPREPLY < <(compgen -W \"$(pactl list short sources "
               "2>/dev/null | cut -f2)\" -- \"$current\")\n"
               "                (( ${#COMPREPLY[@]} )) && return 0\n"
               "            fi ;;\n";
    case FramesOptionValue::ovMode:
    case FramesOptionValue::ovWindow:
    case FramesOptionValue::ovFormat:
    case FramesOptionValue::ovAxis:
    case FramesOptionValue::ovLanes:
    case FramesOptionValue::ovColourMap:
    case FramesOptionValue::ovFrequencyAxis:
    case FramesOptionValue::ovFrameCount:
    case FramesOptionValue::ovCoders:
        return "        " + pattern + ")\n            mapfile -t COMPREPLY < <(compgen -W '" +
               Joined(OptionValueNames(row.Value)) +
               "' -- \"$current\")\n            return 0 ;;\n";
    }
    return {};
}

} // namespace

std::string FramesBashCompletion() {
    std::string branches;
    for (const FramesOptionInfo& row : FramesOptionTable) {
        branches += ValueBranch(row);
    }
    const auto all = [](const FramesOptionInfo&) { return true; };
    const auto forWindowFigures = [](const FramesOptionInfo& row) {
        return row.WindowFigures == WithWindowFigures::wfApplies &&
               row.Option != FramesOption::foWindowFigures;
    };
    const auto notForWindowFigures = [](const FramesOptionInfo& row) {
        return row.WindowFigures == WithWindowFigures::wfRejected;
    };
    const auto forCurves = [](const FramesOptionInfo& row) {
        return row.Curves == WithCurves::wcApplies && row.Option != FramesOption::foCurves;
    };
    const auto notForCurves = [](const FramesOptionInfo& row) {
        return row.Curves == WithCurves::wcRejected;
    };
    // Bash splits "--mode=it" into "--mode", "=" and "it" (COMP_WORDBREAKS holds '='), so
    // the option whose value is being completed is the word before the '=' then. Once
    // --window-figures or --curves is given, only the options it takes are offered; once an
    // option is given that one of them refuses, that one is not offered.
    return "# bash completion for orvex-frames, generated from its option table at build time.\n"
           "_orvex_frames()\n"
           "{\n"
           "    local current=${COMP_WORDS[COMP_CWORD]} option=\n"
           "    COMPREPLY=()\n"
           "    if (( COMP_CWORD >= 1 )); then\n"
           "        option=${COMP_WORDS[COMP_CWORD - 1]}\n"
           "    fi\n"
           "    if [[ $current == = ]]; then\n"
           "        current=\n"
           "    elif [[ $option == = ]] && (( COMP_CWORD >= 2 )); then\n"
           "        option=${COMP_WORDS[COMP_CWORD - 2]}\n"
           "    fi\n"
           "    case $option in\n" +
           branches +
           "    esac\n"
           "    local offered='" + OptionNames(all) + "' word\n"
           "    for word in \"${COMP_WORDS[@]:1:COMP_CWORD - 1}\"; do\n"
           "        case $word in\n"
           "        --window-figures) offered='" + OptionNames(forWindowFigures) + "' ;;\n"
           "        --curves) offered='" + OptionNames(forCurves) + "' ;;\n"
           "        esac\n"
           "        case $word in\n"
           "        " + OptionPattern(notForWindowFigures) +
           ") offered=${offered/ --window-figures / } ;;\n"
           "        esac\n"
           "        case $word in\n"
           "        " + OptionPattern(notForCurves) + ") offered=${offered/ --curves / } ;;\n"
           "        esac\n"
           "    done\n"
           "    mapfile -t COMPREPLY < <(compgen -W \"$offered\" -- \"$current\")\n"
           "}\n"
           "complete -F _orvex_frames orvex-frames\n";
}

} // namespace tools
