#include "export/group_tree_json.h"

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "db/sql_text.h"
#include "export/query_columns.h"

namespace tir::exporting {

void WriteGroupTree(db::Query& query, const std::string& table, const std::string& key,
                    TJsonOut& out) {
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
  // One frame per open array of the walk: its level, the path of its groups and whether the last
  // group object written into it is still open (it may yet receive "children").
  struct Frame {
    std::int64_t level;
    std::string path;
    bool open;
    std::string name;
  };
  std::vector<Frame> frames;
  // Closes the innermost frame; a nested frame's array is the "children" of its parent's open
  // group, which is closed with it.
  const auto closeFrame = [&] {
    if (frames.back().open) out.EndObject();
    frames.pop_back();
    if (!frames.empty()) {
      out.EndArray();
      out.EndObject();
      frames.back().open = false;
    }
  };
  out.Key(key);
  out.StartArray();
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
      if (frame.open) out.EndObject();
      const std::string name = query.FieldByIndex(cName).AsText();
      out.StartObject();
      out.Str("name", name);
      out.Str("fullpath", frame.path + "\\" + name);
      out.Int("level", static_cast<std::int32_t>(level));
      out.Int("lid", query.FieldByIndex(cId).AsInt32());
      out.Str("guid", GuidOf(query, cG1, cG2));
      frame.open = true;
      frame.name = name;
      query.Next();
    } else if (level < frame.level) {
      closeFrame();
    } else if (frame.open) {
      out.Key("children");
      out.StartArray();
      frames.push_back(Frame{level, frame.path + "\\" + frame.name, false, ""});
    } else {
      query.Next();  // a deeper row without a group to hang it on (a damaged tree)
    }
  }
  query.Close();
  while (!frames.empty()) closeFrame();
  out.EndArray();
}

}  // namespace tir::exporting
