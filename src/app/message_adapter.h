#pragma once
// The message services of one runtime: the history and the read marks, the
// compiled messages read from the game's script pages, and the ports the
// text commands reach the message windows through.
#include <list>
#include <memory>
#include <string>

#include "components/message_history.h"
#include "script/history_port.h"
#include "script/message_port.h"

namespace vesk::storage {
class TVrFileManager;
}
namespace vesk::scene {
class TVeskBaseList;
}
namespace vesk::components {
class TVeskMes;
}

namespace vesk::app {

// Text commands of page files, read through the game's files. The last few
// pages stay read: the history asks for the page it records on every page
// a window leaves.
class PageTextSource final : public components::MessageSource {
 public:
  explicit PageTextSource(storage::TVrFileManager& files) : files_(files) {}
  bool FileExists(const std::string& file) override;
  std::shared_ptr<const components::MessagePageTexts> LoadTexts(const std::string& file) override;

 private:
  storage::TVrFileManager& files_;
  std::list<std::pair<std::string, std::shared_ptr<const components::MessagePageTexts>>> recent_;
};

class MessagePorts final : public script::MessagePort, public script::HistoryPort {
 public:
  MessagePorts(scene::TVeskBaseList& root, components::TVeskNewHistory& history,
               components::TVeskReadList& read_marks)
      : root_(root), history_(history), read_marks_(read_marks) {}

  bool InsertText(const std::string& window, const std::string& page_file, int32_t command_index,
                  bool record) override;
  bool HoldsPages(const std::string& window) override;
  void ClearText(const std::string& window) override;

  void ClearHistory() override;
  void ClearHistoryEntries() override { history_.Clear(); }
  void ClearReadMarks() override { read_marks_.Clear(); }
  void RegisterHistoryFormat(const std::string& object) override;
  int32_t HistoryCount() override { return history_.Count(); }
  bool IsMessageWindow(const std::string& window) override { return Find(window) != nullptr; }
  void ShowHistory(const std::string& window, int32_t start, int32_t count, bool packed) override;

 private:
  components::TVeskMes* Find(const std::string& window);
  scene::TVeskBaseList& root_;
  components::TVeskNewHistory& history_;
  components::TVeskReadList& read_marks_;
};

}  // namespace vesk::app
