#include "tsql_texts.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>

namespace tir::tsql {

namespace fs = std::filesystem;

namespace {

bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs `command` through the shell; its standard output in `out`, the exit status returned.
int Run(const std::string& command, std::string& out) {
  out.clear();
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  return pclose(pipe);
}

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

// Calls `plain(begin, end)` for each stretch of `sql` outside quotes, bracketed names and
// comments.
template <typename F>
void ForEachPlainStretch(const std::string& sql, F plain) {
  std::size_t start = 0;
  std::size_t i = 0;
  const std::size_t n = sql.size();
  auto skipTo = [&](std::size_t to) {
    plain(start, i);
    i = std::min(to, n);
    start = i;
  };
  while (i < n) {
    const char c = sql[i];
    if (c == '\'' || c == '"' || c == '[') {
      const char close = c == '[' ? ']' : c;
      std::size_t j = i + 1;
      while (j < n && sql[j] != close) ++j;
      skipTo(j + 1);
    } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
      skipTo(sql.find('\n', i) == std::string::npos ? n : sql.find('\n', i));
    } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
      const auto end = sql.find("*/", i + 2);
      skipTo(end == std::string::npos ? n : end + 2);
    } else {
      ++i;
    }
  }
  plain(start, n);
}

}  // namespace

bool SqlfluffAvailable() {
  std::string out;
  return Run("sqlfluff --version 2>/dev/null", out) == 0 &&
         out.find("sqlfluff") != std::string::npos;
}

std::map<std::string, std::string> FindUnparsable(const std::vector<NamedText>& texts,
                                                  const std::string& work) {
  // Two sqlfluff processes, each on every other text, use both cores of a small machine.
  constexpr int kProcesses = 2;
  fs::remove_all(work);
  std::map<std::string, std::string> nameOf;  // file name -> text name
  std::string command = "cd '" + work + "' && {";
  for (int p = 0; p < kProcesses; ++p) {
    const fs::path dir = fs::path(work) / std::to_string(p);
    fs::create_directories(dir);
    std::ofstream(dir / ".sqlfluff")
        << "[sqlfluff]\ndialect = tsql\nlarge_file_skip_byte_limit = 0\n";
    command += " (cd " + std::to_string(p) + " && sqlfluff parse -n -f yaml . > ../" +
               std::to_string(p) + ".yaml 2>&1) &";
  }
  for (std::size_t i = 0; i < texts.size(); ++i) {
    char file[32];
    std::snprintf(file, sizeof file, "t%05zu.sql", i);
    std::ofstream(fs::path(work) / std::to_string(i % kProcesses) / file, std::ios::binary)
        << texts[i].text << "\n";
    nameOf[file] = texts[i].name;
  }
  // The YAML form names each file; a file that does not lex gives "segments: null".
  std::string out;
  Run(command + " wait; }", out);
  for (int p = 0; p < kProcesses; ++p)
    out += ReadFile(fs::path(work) / (std::to_string(p) + ".yaml"));
  std::map<std::string, std::string> failures;
  std::set<std::string> answered;
  std::istringstream lines(out);
  std::string line;
  std::string file;
  static const std::regex unparsable(R"(^\s*(- )?unparsable:)");
  while (std::getline(lines, line)) {
    if (line.rfind("- filepath: ", 0) == 0) {
      file = fs::path(line.substr(12)).filename().string();
      answered.insert(file);
      if (line.find("segments: null") != std::string::npos) failures[nameOf[file]] = "no parse";
    } else if (!file.empty() && line.find("segments: null") != std::string::npos) {
      failures[nameOf[file]] = "no parse: unbalanced brackets or quotes";
    } else if (!file.empty() && std::regex_search(line, unparsable)) {
      std::string& note = failures[nameOf[file]];
      if (note.size() < 400) note += Trim(line) + " ";
    }
  }
  for (const auto& [fileName, name] : nameOf) {
    if (answered.count(fileName) == 0) {
      throw std::runtime_error("sqlfluff did not answer for " + name + ":\n" + out.substr(0, 2000));
    }
  }
  return failures;
}

std::string AsServerBatch(const std::string& statement) {
  std::string out = statement;
  ForEachPlainStretch(statement, [&](std::size_t begin, std::size_t end) {
    for (std::size_t i = begin; i < end; ++i) {
      if (statement[i] != ':' || i + 1 >= end || !IsWordChar(statement[i + 1])) continue;
      if ((i > 0 && statement[i - 1] == ':') ||
          std::isdigit(static_cast<unsigned char>(statement[i + 1])))
        continue;
      out[i] = '@';
    }
  });
  out = Trim(out);
  if (out.empty() || out.back() != ';') out += ';';
  // sqlfluff's T-SQL grammar (1.4) lacks OFFSET … FETCH; the clause is checked here instead, in
  // its one valid place (ending a query ordered by ORDER BY), and the rest goes to the parser.
  static const std::regex page(
      R"((\bORDER\s+BY\s[^;]*?)\s+OFFSET\s+(\d+|@\w+)\s+ROWS\s+FETCH\s+NEXT\s+(\d+|@\w+)\s+ROWS\s+ONLY\s*;$)",
      std::regex::icase);
  return std::regex_replace(out, page, "$1;");
}

std::vector<NamedText> ScriptPieces(const std::string& script, const std::string& prefix) {
  static const std::regex routine(R"(CREATE\s+(OR\s+ALTER\s+)?(PROCEDURE|PROC|FUNCTION|TRIGGER))",
                                  std::regex::icase);
  std::vector<NamedText> pieces;
  std::istringstream lines(script);
  std::string line;
  std::string batch;
  int lineNo = 0;
  int batchStart = 1;
  auto flush = [&] {
    if (Trim(batch).empty()) {
      batch.clear();
      return;
    }
    if (std::regex_search(batch, routine)) {
      pieces.push_back({prefix + ":" + std::to_string(batchStart), batch});
    } else {
      std::istringstream inner(batch);
      std::string innerLine;
      std::string piece;
      int at = batchStart;
      int pieceStart = at;
      while (std::getline(inner, innerLine)) {
        if (Trim(innerLine).empty()) {
          if (!Trim(piece).empty())
            pieces.push_back({prefix + ":" + std::to_string(pieceStart), piece});
          piece.clear();
          pieceStart = at + 1;
        } else {
          piece += innerLine + "\n";
        }
        ++at;
      }
      if (!Trim(piece).empty())
        pieces.push_back({prefix + ":" + std::to_string(pieceStart), piece});
    }
    batch.clear();
  };
  while (std::getline(lines, line)) {
    ++lineNo;
    if (Lower(Trim(line)) == "go") {
      flush();
      batchStart = lineNo + 1;
    } else {
      batch += line + "\n";
    }
  }
  flush();
  return pieces;
}

std::string Flatten(const std::string& text) {
  std::string out;
  bool space = false;
  for (const char c : text) {
    if (c == ';') continue;
    if (std::isspace(static_cast<unsigned char>(c)) != 0) {
      space = !out.empty();
      continue;
    }
    if (space) out += ' ';
    space = false;
    out += c;
  }
  return out;
}

std::vector<SourceBlock> ConditionalBlocks(const std::string& sourceRoot, const std::string& kind) {
  constexpr char kGap = '\x01';
  std::vector<SourceBlock> blocks;
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(sourceRoot)) {
    const auto ext = entry.path().extension();
    if (entry.is_regular_file() && (ext == ".cpp" || ext == ".h")) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  const std::string open = "{IF " + kind + "}";
  for (const auto& path : files) {
    const std::string src = ReadFile(path);
    if (src.find(open) == std::string::npos) continue;
    // The string literals of the file in order, code between them as a gap mark; `lineAt` maps
    // each character of `stream` to its source line.
    std::string stream;
    std::vector<int> lineAt;
    int line = 1;
    bool gap = false;
    for (std::size_t i = 0; i < src.size(); ++i) {
      const char c = src[i];
      if (c == '\n') ++line;
      if (c == '/' && i + 1 < src.size() && src[i + 1] == '/') {
        while (i < src.size() && src[i] != '\n') ++i;
        ++line;
      } else if (c == '/' && i + 1 < src.size() && src[i + 1] == '*') {
        const auto end = src.find("*/", i + 2);
        line += static_cast<int>(std::count(src.begin() + static_cast<long>(i),
                                            src.begin() + static_cast<long>(end), '\n'));
        i = end + 1;
      } else if (c == '\'') {
        i += src[i + 1] == '\\' ? 3 : 2;  // a character literal
      } else if (c == '"') {
        if (gap) {
          stream += kGap;
          lineAt.push_back(line);
        }
        gap = false;
        for (++i; i < src.size() && src[i] != '"'; ++i) {
          char d = src[i];
          if (d == '\\') {
            d = src[++i] == 'n' ? '\n' : src[i] == 't' ? '\t' : src[i];
          }
          stream += d;
          lineAt.push_back(line);
        }
      } else if (std::isspace(static_cast<unsigned char>(c)) == 0 && c != ')' && c != '(') {
        gap = true;
      }
    }
    for (auto at = stream.find(open); at != std::string::npos; at = stream.find(open, at + 1)) {
      const auto body = at + open.size();
      auto end = stream.find("{fi}", body);
      if (end == std::string::npos) end = stream.size();
      SourceBlock block;
      block.where = fs::path(path).filename().string() + ":" + std::to_string(lineAt[at]);
      static const std::regex cut("\x01|&[A-Za-z_][A-Za-z0-9_]*");
      const std::string text = stream.substr(body, end - body);
      for (std::sregex_token_iterator it(text.begin(), text.end(), cut, -1), last; it != last;
           ++it) {
        const std::string piece = Flatten(*it);
        if (!piece.empty()) block.pieces.push_back(piece);
      }
      blocks.push_back(block);
    }
  }
  return blocks;
}

bool Covers(const std::string& flatText, const SourceBlock& block) {
  std::size_t from = 0;
  for (const auto& piece : block.pieces) {
    const auto at = flatText.find(piece, from);
    if (at == std::string::npos) return false;
    from = at + piece.size();
  }
  return true;
}

TableColumns ReadTables(const std::string& ddl) {
  // A table of the script, also one made only when missing ("IF OBJECT_ID(...) IS NULL CREATE").
  static const std::regex table(
      R"(^(IF OBJECT_ID\([^)]*\) IS NULL )?CREATE TABLE \[dbo\]\.\[(\w+)\])", std::regex::icase);
  static const std::regex column(R"(^\s+\[(\w+)\]\s+\w)");
  TableColumns tables;
  std::istringstream lines(ddl);
  std::string line;
  std::set<std::string>* current = nullptr;
  std::smatch m;
  while (std::getline(lines, line)) {
    if (std::regex_search(line, m, table)) {
      current = &tables[Lower(m[2])];
    } else if (current != nullptr && std::regex_search(line, m, column)) {
      current->insert(Lower(m[1]));
    } else if (Trim(line).rfind(")", 0) == 0) {
      current = nullptr;
    }
  }
  return tables;
}

NamedObjects NamesIn(const std::string& statement) {
  NamedObjects names;
  // Bracketed names count too: drop the brackets before looking at the words.
  std::string sql = statement;
  std::replace(sql.begin(), sql.end(), '[', ' ');
  std::replace(sql.begin(), sql.end(), ']', ' ');
  ForEachPlainStretch(sql, [&](std::size_t begin, std::size_t end) {
    std::string previous;
    for (std::size_t i = begin; i < end;) {
      if (!IsWordChar(sql[i])) {
        ++i;
        continue;
      }
      std::size_t j = i;
      while (j < end && IsWordChar(sql[j])) ++j;
      const std::string word = sql.substr(i, j - i);
      const char before = i > 0 ? sql[i - 1] : ' ';
      const bool variable = before == '@' || before == ':' || before == '&' || before == '#';
      const bool alias = Lower(previous) == "as";
      // tirGoods, and the exchange's own tables tirxPeers, ...
      const std::size_t stem = word.rfind("tirx", 0) == 0 ? 4 : 3;
      if (!variable && !alias && word.size() > stem && word.rfind("tir", 0) == 0 &&
          std::isupper(static_cast<unsigned char>(word[stem])) != 0) {
        names.tables.insert(Lower(word));
      } else if (!variable && !alias && word.size() > 1 && word[0] == 'f' &&
                 std::isupper(static_cast<unsigned char>(word[1])) != 0) {
        names.columns.insert(Lower(word));
      }
      previous = word;
      i = j;
    }
  });
  return names;
}

}  // namespace tir::tsql
