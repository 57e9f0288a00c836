#include "export/json_out.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tir::exporting {

void TJsonText::Seal() {
  if (!open_) return;
  const auto used = static_cast<std::size_t>(cur_ - begin_);
  if (used > 0) pieces_.push_back(TJsonPiece{std::move(open_), 0, used});
  sealedSize_ += used;
  open_.reset();
  begin_ = cur_ = end_ = nullptr;
}

void TJsonText::NewPiece() {
  Seal();
  open_ = std::make_shared<std::string>(kPiece, '\0');
  begin_ = cur_ = open_->data();
  end_ = begin_ + kPiece;
}

void TJsonText::Append(std::string_view text) {
  while (!text.empty()) {
    if (cur_ == end_) NewPiece();
    const std::size_t n = std::min<std::size_t>(text.size(), static_cast<std::size_t>(end_ - cur_));
    std::memcpy(cur_, text.data(), n);
    cur_ += n;
    text.remove_prefix(n);
  }
}

void TJsonText::Append(const TJsonPieces& pieces) {
  Seal();
  for (const TJsonPiece& piece : pieces) {
    pieces_.push_back(piece);
    sealedSize_ += piece.size;
  }
}

TJsonPieces TJsonText::Share(std::size_t from, std::size_t to) {
  Seal();
  TJsonPieces out;
  std::size_t at = 0;
  for (const TJsonPiece& piece : pieces_) {
    const std::size_t lo = std::max(from, at), hi = std::min(to, at + piece.size);
    if (lo < hi) out.push_back(TJsonPiece{piece.buffer, piece.offset + (lo - at), hi - lo});
    at += piece.size;
  }
  return out;
}

std::string TJsonText::Substr(std::size_t from, std::size_t to) const {
  std::string out;
  std::size_t at = 0;
  const auto take = [&](std::string_view piece) {
    const std::size_t lo = std::max(from, at), hi = std::min(to, at + piece.size());
    if (lo < hi) out.append(piece.substr(lo - at, hi - lo));
    at += piece.size();
  };
  for (const TJsonPiece& piece : pieces_) take(piece.View());
  if (open_) take(std::string_view(begin_, static_cast<std::size_t>(cur_ - begin_)));
  return out;
}

TJsonPieces TJsonText::TakePieces() {
  Seal();
  TJsonPieces out = std::move(pieces_);
  pieces_.clear();
  sealedSize_ = 0;
  return out;
}

std::string JoinPieces(const TJsonPieces& pieces) {
  std::size_t size = 0;
  for (const TJsonPiece& piece : pieces) size += piece.size;
  std::string text;
  text.reserve(size);
  for (const TJsonPiece& piece : pieces) text += piece.View();
  return text;
}

bool IsValidUtf8(std::string_view text) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n;) {
    const unsigned c = s[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    std::size_t len = 0;
    unsigned cp = 0;
    if (c >= 0xC2 && c <= 0xDF) {
      len = 2, cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      len = 3, cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4, cp = c & 0x07;
    } else {
      return false;
    }
    if (i + len > n) return false;
    for (std::size_t k = 1; k < len; ++k) {
      if ((s[i + k] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    if ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
        (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))) {
      return false;
    }
    i += len;
  }
  return true;
}

namespace {

// The text with every byte that does not start a valid sequence replaced by U+FFFD.
std::string RepairUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (std::size_t i = 0; i < text.size();) {
    std::size_t len = 1;
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0xF0) {
      len = 4;
    } else if (c >= 0xE0) {
      len = 3;
    } else if (c >= 0xC0) {
      len = 2;
    }
    if (c < 0x80 || (i + len <= text.size() && IsValidUtf8(text.substr(i, len)))) {
      out.append(text.substr(i, c < 0x80 ? 1 : len));
      i += c < 0x80 ? 1 : len;
    } else {
      out.append("\xEF\xBF\xBD");
      ++i;
    }
  }
  return out;
}

}  // namespace

void TJsonOut::Str(std::string_view value) {
  const bool ascii = std::all_of(value.begin(), value.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii || IsValidUtf8(value)) {
    Base::String(value.data(), static_cast<rapidjson::SizeType>(value.size()));
  } else {
    const std::string repaired = RepairUtf8(value);
    Base::String(repaired.data(), static_cast<rapidjson::SizeType>(repaired.size()));
  }
}

void TJsonOut::Num(double value) {
  if (std::isfinite(value)) {
    Base::Double(value);
  } else {
    Base::Int(0);
  }
}

void TJsonOut::RawMembers(std::string_view members, std::size_t count) {
  Level* level = level_stack_.template Top<Level>();
  if (level->valueCount > 0) os_->Put(',');
  os_->Append(members);
  level->valueCount += 2 * count;
}

void TJsonOut::RawMembers(const TJsonPieces& members, std::size_t count) {
  Level* level = level_stack_.template Top<Level>();
  if (level->valueCount > 0) os_->Put(',');
  os_->Append(members);
  level->valueCount += 2 * count;
}

}  // namespace tir::exporting
