// tirdex completion: the bash completion script of tirdex, written from the command tree itself,
// so that it lists exactly the commands and options this build of tirdex has. The build writes it
// once into the installed tree; `source <(tirdex completion)` loads it into a running shell.
#include <CLI/CLI.hpp>
#include <iostream>
#include <string>
#include <vector>

#include "host/tirdex/command_registry.h"

namespace tir::tirdex {
namespace {

// One command of the tree: its path below tirdex ("" for tirdex, "tree check"), its
// subcommands, its options and the options that take a value.
struct CommandWords {
  std::string path;
  std::vector<std::string> subcommands;
  std::vector<std::string> options;
  std::vector<std::string> valueOptions;
};

std::string Join(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) text += (text.empty() ? "" : " ") + word;
  return text;
}

// The options of `app` and of its option groups (CLI11 keeps those as nameless subcommands).
void CollectOptions(const CLI::App& app, CommandWords& words) {
  for (const CLI::Option* option : app.get_options()) {
    if (!option->nonpositional()) continue;
    std::vector<std::string> names;
    for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
    for (const std::string& name : option->get_snames()) names.push_back("-" + name);
    for (const std::string& name : names) {
      words.options.push_back(name);
      if (option->get_items_expected_max() > 0) words.valueOptions.push_back(name);
    }
  }
  for (const CLI::App* group :
       app.get_subcommands([](const CLI::App* a) { return a->get_name().empty(); })) {
    CollectOptions(*group, words);
  }
}

void CollectCommands(const CLI::App& app, const std::string& path,
                     std::vector<CommandWords>& commands) {
  CommandWords words;
  words.path = path;
  CollectOptions(app, words);
  const auto named = app.get_subcommands([](const CLI::App* a) { return !a->get_name().empty(); });
  for (const CLI::App* sub : named) words.subcommands.push_back(sub->get_name());
  commands.push_back(words);
  for (const CLI::App* sub : named) {
    CollectCommands(*sub, path.empty() ? sub->get_name() : path + " " + sub->get_name(), commands);
  }
}

// The script: three look-up functions generated from the tree and one completion function that
// walks the words typed so far down the tree. Option values and positional arguments (bases,
// files) complete as file names.
std::string BashCompletion(const CLI::App& root) {
  std::vector<CommandWords> commands;
  CollectCommands(root, "", commands);
  std::string subcommands, options, values;
  for (const CommandWords& c : commands) {
    const std::string label = "    \"" + c.path + "\") echo \"";
    if (!c.subcommands.empty()) subcommands += label + Join(c.subcommands) + "\" ;;\n";
    options += label + Join(c.options) + "\" ;;\n";
    for (const std::string& option : c.valueOptions) {
      values += "    \"" + c.path + " " + option + "\") return 0 ;;\n";
    }
  }
  return "# bash completion for tirdex, written by `tirdex completion`.\n"
         "_tirdex_subcommands() {\n  case \"$1\" in\n" +
         subcommands +
         "  esac\n}\n"
         "_tirdex_options() {\n  case \"$1\" in\n" +
         options +
         "  esac\n}\n"
         "_tirdex_takes_value() {\n  case \"$1\" in\n" +
         values +
         "  esac\n  return 1\n}\n"
         R"BASH(_tirdex() {
  local cur="${COMP_WORDS[COMP_CWORD]}" path="" word i skip=0
  for ((i = 1; i < COMP_CWORD; i++)); do
    word="${COMP_WORDS[i]}"
    if ((skip)); then skip=0; continue; fi
    if [[ "${word}" == -* ]]; then
      _tirdex_takes_value "${path} ${word}" && skip=1
      continue
    fi
    if [[ " $(_tirdex_subcommands "${path}") " == *" ${word} "* ]]; then
      path="${path:+${path} }${word}"
    fi
  done
  if ((skip)); then
    COMPREPLY=($(compgen -f -- "${cur}"))
  elif [[ "${cur}" == -* ]]; then
    COMPREPLY=($(compgen -W "$(_tirdex_options "${path}")" -- "${cur}"))
  else
    local subs
    subs="$(_tirdex_subcommands "${path}")"
    if [[ -n "${subs}" ]]; then
      COMPREPLY=($(compgen -W "${subs}" -- "${cur}"))
    else
      COMPREPLY=($(compgen -f -- "${cur}"))
    fi
  fi
}
complete -o filenames -F _tirdex tirdex
)BASH";
}

void InstallCompletionCommand(CLI::App& app) {
  CLI::App* cmd = app.add_subcommand(
      "completion", "Print the bash completion script of tirdex (every command and option)");
  cmd->footer(R"(
The installed tree holds it in share/bash-completion/completions/tirdex; to load it
into the running shell: source <(tirdex completion))");
  const CLI::App* root = &app;
  cmd->callback([root] {
    std::cout << BashCompletion(*root);
    SetExitCode(kExitOk);
  });
}

const bool registered = RegisterCommands("completion", InstallCompletionCommand);

}  // namespace
}  // namespace tir::tirdex
