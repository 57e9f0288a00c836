#pragma once

#include <rapidjson/stream.h>
#include <rapidjson/writer.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tir::exporting {

// A part of an export text: `size` bytes from `offset` of an immutable buffer that other texts
// (the cashier goods snapshot) may share.
struct TJsonPiece {
  std::shared_ptr<const std::string> buffer;
  std::size_t offset = 0;
  std::size_t size = 0;
  std::string_view View() const { return std::string_view(*buffer).substr(offset, size); }
};
using TJsonPieces = std::vector<TJsonPiece>;

// The text of one export, kept in pieces so that growing it never copies what was already
// written (a large goods catalog stays at about its own size in memory), and so that a part of it
// can be shared without a copy. It is the output stream of TJsonOut.
class TJsonText {
 public:
  using Ch = char;
  static constexpr std::size_t kPiece = std::size_t{1} << 20;

  void Put(char c) {
    if (cur_ == end_) NewPiece();
    *cur_++ = c;
  }
  void Flush() {}
  void Append(std::string_view text);
  // Appends shared pieces without copying them.
  void Append(const TJsonPieces& pieces);

  std::size_t Size() const { return sealedSize_ + static_cast<std::size_t>(cur_ - begin_); }
  // The bytes [from, to) as one string.
  std::string Substr(std::size_t from, std::size_t to) const;
  // The bytes [from, to) as shared pieces; what is written afterwards goes to new pieces.
  TJsonPieces Share(std::size_t from, std::size_t to);
  // The pieces of the whole text, moved out; the text is empty afterwards.
  TJsonPieces TakePieces();

 private:
  void NewPiece();
  void Seal();  // the piece being written becomes immutable

  TJsonPieces pieces_;  // sealed pieces
  std::size_t sealedSize_ = 0;
  std::shared_ptr<std::string> open_;  // the piece being written
  char* begin_ = nullptr;
  char* cur_ = nullptr;
  char* end_ = nullptr;
};

// The pieces joined into one string.
std::string JoinPieces(const TJsonPieces& pieces);

// Stream hooks RapidJSON finds by argument-dependent lookup.
inline void PutReserve(TJsonText&, std::size_t) {}
inline void PutUnsafe(TJsonText& stream, char c) { stream.Put(c); }

// The JSON writer of the main export: compact, every character above 127 written as a \u escape
// (surrogate pairs above the basic plane). Invalid UTF-8 in a text is written as U+FFFD and
// non-finite numbers as 0, so the output stays well-formed whatever the base holds.
class TJsonOut : private rapidjson::Writer<TJsonText, rapidjson::UTF8<>, rapidjson::ASCII<>> {
  using Base = rapidjson::Writer<TJsonText, rapidjson::UTF8<>, rapidjson::ASCII<>>;

 public:
  explicit TJsonOut(TJsonText& text) : Base(text), text_(text) {}

  using Base::EndArray;
  using Base::EndObject;
  using Base::IsComplete;
  using Base::Null;
  using Base::StartArray;
  using Base::StartObject;

  void Key(std::string_view key) {
    Base::Key(key.data(), static_cast<rapidjson::SizeType>(key.size()));
  }
  void Str(std::string_view value);
  void Int(std::int32_t value) { Base::Int(value); }
  void Int64(std::int64_t value) { Base::Int64(value); }
  void Num(double value);

  // Key followed by a value.
  void Str(std::string_view key, std::string_view value) { Key(key), Str(value); }
  void Int(std::string_view key, std::int32_t value) { Key(key), Int(value); }
  void Int64(std::string_view key, std::int64_t value) { Key(key), Int64(value); }
  void Num(std::string_view key, double value) { Key(key), Num(value); }

  // Writes `members` ("key":value[,"key":value...], already escaped) into the open object as if
  // they had been written one by one; `count` is the number of members.
  void RawMembers(std::string_view members, std::size_t count = 1);
  void RawMembers(const TJsonPieces& members, std::size_t count = 1);

  TJsonText& Text() { return text_; }

 private:
  TJsonText& text_;
};

// True when `text` is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool IsValidUtf8(std::string_view text);

}  // namespace tir::exporting
