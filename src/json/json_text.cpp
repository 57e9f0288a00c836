#include "json/json_text.h"

#include <rapidjson/error/en.h>
#include <rapidjson/filewritestream.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/prettywriter.h>
#include <rapidjson/reader.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "json/json_error.h"

namespace tir::json::detail {

namespace {

constexpr std::size_t kMaxDepth = 1000;

// Builds the tree from the reader's events. Containers are linked into their parent when they
// start, so the stack holds only pointers to open containers.
class TreeBuilder {
 public:
  explicit TreeBuilder(Store& store) : store_(store) {}

  bool Null() { return Put(Node{}); }
  bool Bool(bool b) {
    Node n;
    n.kind = Kind::kBool;
    n.u.b = b;
    return Put(n);
  }
  bool Int(int i) { return Int64(i); }
  bool Uint(unsigned u) { return Int64(u); }
  bool Int64(std::int64_t i) {
    Node n;
    n.kind = Kind::kInt;
    n.u.i = i;
    return Put(n);
  }
  bool Uint64(std::uint64_t u) {
    if (u <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
      return Int64(static_cast<std::int64_t>(u));
    }
    return Double(static_cast<double>(u));
  }
  bool Double(double d) {
    Node n;
    n.kind = Kind::kNumber;
    n.u.d = d;
    return Put(n);
  }
  // Numbers arrive as their text (the reader's own conversion gives a wrong value for some
  // texts, such as "0e+308"); integers that fit stay integers.
  bool RawNumber(const char* s, rapidjson::SizeType len, bool) {
    const char* end = s + len;
    if (std::find_if(s, end, [](char c) { return c == '.' || c == 'e' || c == 'E'; }) == end) {
      std::int64_t i = 0;
      if (std::from_chars(s, end, i).ec == std::errc()) return Int64(i);
      std::uint64_t u = 0;
      if (*s != '-' && std::from_chars(s, end, u).ec == std::errc()) return Uint64(u);
    }
    double d = 0;
    if (std::from_chars(s, end, d).ec == std::errc()) return Double(d);
    // Out of range: a negative exponent rounds to zero, anything else is too big to hold.
    const char* exponent = std::find_if(s, end, [](char c) { return c == 'e' || c == 'E'; });
    if (exponent + 1 < end && exponent[1] == '-') return Double(*s == '-' ? -0.0 : 0.0);
    tooBig_ = true;
    return false;
  }
  bool String(const char* s, rapidjson::SizeType len, bool) {
    return Put(store_.StringNode(std::string_view(s, len)));
  }
  bool Key(const char* s, rapidjson::SizeType len, bool) {
    key_.assign(s, len);
    return true;
  }
  bool StartObject() {
    if (stack_.size() >= kMaxDepth) return false;
    Node n;
    n.kind = Kind::kObject;
    n.u.o = store_.NewObject();
    if (!Put(n)) return false;
    stack_.push_back(n);
    return true;
  }
  bool EndObject(rapidjson::SizeType) {
    stack_.pop_back();
    return true;
  }
  bool StartArray() {
    if (stack_.size() >= kMaxDepth) return false;
    Node n;
    n.kind = Kind::kArray;
    n.u.a = store_.NewArray();
    if (!Put(n)) return false;
    stack_.push_back(n);
    return true;
  }
  bool EndArray(rapidjson::SizeType) {
    stack_.pop_back();
    return true;
  }

  const Node& Root() const { return root_; }
  bool TooDeep() const { return stack_.size() >= kMaxDepth; }
  bool TooBig() const { return tooBig_; }

 private:
  bool Put(const Node& n) {
    if (stack_.empty()) {
      root_ = n;
      return true;
    }
    Node& top = stack_.back();
    if (top.kind == Kind::kObject) {
      store_.Set(*top.u.o, key_, n);
    } else {
      store_.Append(*top.u.a, n);
    }
    return true;
  }

  Store& store_;
  std::vector<Node> stack_;
  std::string key_;
  Node root_;
  bool tooBig_ = false;
};

template <typename Writer>
void WriteNode(Writer& w, const Node& n) {
  switch (n.kind) {
    case Kind::kNull:
      w.Null();
      break;
    case Kind::kBool:
      w.Bool(n.u.b);
      break;
    case Kind::kInt:
      w.Int64(n.u.i);
      break;
    case Kind::kNumber:
      if (std::isfinite(n.u.d)) {
        w.Double(n.u.d);
      } else {
        w.Null();  // JSON has no NaN or infinity
      }
      break;
    case Kind::kString:
      w.String(n.len == 0 ? "" : n.u.s, n.len);
      break;
    case Kind::kObject:
      w.StartObject();
      for (std::uint32_t i = 0; i < n.u.o->size; ++i) {
        const Member& m = n.u.o->items[i];
        w.Key(m.keyLen == 0 ? "" : m.key, m.keyLen);
        WriteNode(w, m.value);
      }
      w.EndObject();
      break;
    case Kind::kArray:
      w.StartArray();
      for (std::uint32_t i = 0; i < n.u.a->size; ++i) WriteNode(w, n.u.a->items[i]);
      w.EndArray();
      break;
  }
}

template <typename Stream>
void Write(const Node& root, bool indent, Stream& out) {
  if (indent) {
    rapidjson::PrettyWriter<Stream> w(out);
    w.SetIndent(' ', 2);
    WriteNode(w, root);
  } else {
    rapidjson::Writer<Stream> w(out);
    WriteNode(w, root);
  }
}

// Line and column (from 1) of a byte offset.
std::string Position(std::string_view text, std::size_t offset) {
  std::size_t line = 1, column = 1;
  for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

}  // namespace

Node ParseText(Store& store, std::string_view text, Kind rootKind) {
  if (text.size() >= 3 && std::memcmp(text.data(), "\xEF\xBB\xBF", 3) == 0) text.remove_prefix(3);
  if (const void* nul = std::memchr(text.data(), '\0', text.size())) {
    const auto at = static_cast<std::size_t>(static_cast<const char*>(nul) - text.data());
    throw JsonError("invalid JSON at " + Position(text, at) + ": NUL character in the text");
  }
  TreeBuilder builder(store);
  rapidjson::Reader reader;
  rapidjson::MemoryStream stream(text.data(), text.size());
  constexpr unsigned kFlags = rapidjson::kParseIterativeFlag |
                              rapidjson::kParseNumbersAsStringsFlag |
                              rapidjson::kParseValidateEncodingFlag;
  const rapidjson::ParseResult result = reader.Parse<kFlags>(stream, builder);
  if (result.IsError()) {
    const std::string why = builder.TooDeep()  ? std::string("nesting too deep")
                            : builder.TooBig() ? std::string("number too big")
                                               : rapidjson::GetParseError_En(result.Code());
    throw JsonError("invalid JSON at " + Position(text, result.Offset()) + ": " + why);
  }
  if (builder.Root().kind != rootKind) {
    throw JsonError(rootKind == Kind::kObject ? "JSON text is not an object"
                                              : "JSON text is not an array");
  }
  return builder.Root();
}

std::string WriteText(const Node& root, bool indent) {
  rapidjson::StringBuffer buffer;
  Write(root, indent, buffer);
  return std::string(buffer.GetString(), buffer.GetSize());
}

bool WriteFile(const Node& root, bool indent, std::FILE* file) {
  char buffer[64 * 1024];
  rapidjson::FileWriteStream stream(file, buffer, sizeof(buffer));
  Write(root, indent, stream);
  stream.Flush();
  return std::ferror(file) == 0;
}

std::string NodeString(const Node& node) {
  switch (node.kind) {
    case Kind::kString:
      return node.len == 0 ? std::string() : std::string(node.u.s, node.len);
    case Kind::kInt:
      return std::to_string(node.u.i);
    case Kind::kNumber: {
      char buf[64];
      const auto r = std::to_chars(buf, buf + sizeof(buf), node.u.d);
      return std::string(buf, r.ptr);
    }
    case Kind::kBool:
      return node.u.b ? "true" : "false";
    default:
      return std::string();
  }
}

std::int64_t NodeInt64(const Node& node) {
  switch (node.kind) {
    case Kind::kInt:
      return node.u.i;
    case Kind::kNumber: {
      const double d = std::trunc(node.u.d);
      if (!(d >= -9.2e18 && d <= 9.2e18)) return 0;
      return static_cast<std::int64_t>(d);
    }
    case Kind::kBool:
      return node.u.b ? 1 : 0;
    case Kind::kString: {
      std::int64_t v = 0;
      const auto r = std::from_chars(node.u.s, node.u.s + node.len, v);
      return (node.len > 0 && r.ec == std::errc() && r.ptr == node.u.s + node.len) ? v : 0;
    }
    default:
      return 0;
  }
}

double NodeNumber(const Node& node) {
  switch (node.kind) {
    case Kind::kInt:
      return static_cast<double>(node.u.i);
    case Kind::kNumber:
      return node.u.d;
    case Kind::kBool:
      return node.u.b ? 1.0 : 0.0;
    case Kind::kString: {
      double v = 0;
      const auto r = std::from_chars(node.u.s, node.u.s + node.len, v);
      return (node.len > 0 && r.ec == std::errc() && r.ptr == node.u.s + node.len) ? v : 0.0;
    }
    default:
      return 0.0;
  }
}

}  // namespace tir::json::detail
