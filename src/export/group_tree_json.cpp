#include "export/group_tree_json.h"

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "db/sql_text.h"
#include "export/query_columns.h"

namespace tir::exporting {

void WalkGroupTree(db::Query& query, const std::string& table, TGroupTreeSink& sink) {
  if (!db::IsPlainIdentifier(table)) {
    throw std::invalid_argument("Invalid group table name: \"" + table + "\"");
  }
  query.SetSql(
      "SELECT t1.[fId], t1.[fcl], t1.[fcr], t1.[fclev], t1.[fName], t1.[fGUID1], t1.[fGUID2] "
      "FROM " +
      table + " t1  " + " ORDER BY t1.fcl;");
  query.Open();
  const std::size_t cId = ColumnOf(query, "fId"), cLev = ColumnOf(query, "fclev"),
                    cName = ColumnOf(query, "fName"), cG1 = ColumnOf(query, "fGUID1"),
                    cG2 = ColumnOf(query, "fGUID2");
  // One frame per open level of the walk: its level, the path of its groups and whether the last
  // group given at it is still open (it may yet receive children).
  struct Frame {
    std::int64_t level;
    std::string path;
    bool open;
    std::string name;
  };
  std::vector<Frame> frames;
  // Closes the innermost frame; a nested frame holds the children of its parent's open group,
  // which is completed with it.
  const auto closeFrame = [&] {
    if (frames.back().open) sink.EndGroup();
    frames.pop_back();
    if (!frames.empty()) {
      sink.EndChildren();
      frames.back().open = false;
    }
  };
  while (!query.Eof()) {
    const std::int64_t level = query.FieldByIndex(cLev).AsInt64();
    if (frames.empty()) {
      if (level == 0) {  // the tree's root
        query.Next();
        continue;
      }
      frames.push_back(Frame{level, "", false, ""});
    }
    Frame& frame = frames.back();
    if (level == frame.level) {
      if (frame.open) sink.EndGroup();
      const std::string name = query.FieldByIndex(cName).AsText();
      sink.Group(TGroupRow{name, frame.path + "\\" + name, level, query.FieldByIndex(cId),
                           GuidOf(query, cG1, cG2)});
      frame.open = true;
      frame.name = name;
      query.Next();
    } else if (level < frame.level) {
      closeFrame();
    } else if (frame.open) {
      sink.BeginChildren();
      frames.push_back(Frame{level, frame.path + "\\" + frame.name, false, ""});
    } else {
      query.Next();  // a deeper row without a group to hang it on (a damaged tree)
    }
  }
  query.Close();
  while (!frames.empty()) closeFrame();
}

void WriteGroupTree(db::Query& query, const std::string& table, const std::string& key,
                    TJsonOut& out) {
  class Writer : public TGroupTreeSink {
   public:
    explicit Writer(TJsonOut& out) : out_(out) {}
    void Group(const TGroupRow& row) override {
      out_.StartObject();
      out_.Str("name", row.name);
      out_.Str("fullpath", row.fullpath);
      out_.Int("level", static_cast<std::int32_t>(row.level));
      out_.Int("lid", row.id.AsInt32());
      out_.Str("guid", row.guid);
    }
    void EndGroup() override { out_.EndObject(); }
    void BeginChildren() override {
      out_.Key("children");
      out_.StartArray();
    }
    void EndChildren() override {
      out_.EndArray();
      out_.EndObject();
    }

   private:
    TJsonOut& out_;
  } writer(out);
  out.Key(key);
  out.StartArray();
  WalkGroupTree(query, table, writer);
  out.EndArray();
}

}  // namespace tir::exporting
