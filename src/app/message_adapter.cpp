#include "app/message_adapter.h"

#include "components/mes.h"
#include "lang/vocabulary.h"
#include "scene/baselist.h"
#include "script/commands.h"
#include "script/pages.h"
#include "storage/vrfiles.h"

namespace vesk::app {

bool PageTextSource::FileExists(const std::string& file) {
  return !file.empty() && files_.Exists(file);
}

std::shared_ptr<const components::MessagePageTexts> PageTextSource::LoadTexts(
    const std::string& file) {
  for (auto it = recent_.begin(); it != recent_.end(); ++it)
    if (it->first == file) {
      recent_.splice(recent_.begin(), recent_, it);
      return recent_.front().second;
    }
  auto texts = std::make_shared<components::MessagePageTexts>();
  try {
    const std::vector<uint8_t> bytes = files_.ReadFileBytes(file);
    script::TPage page;
    if (page.Load(file, bytes) != script::PageLoad::kLoaded) return nullptr;
    for (const auto& command : page.Commands) {
      if (command && command->ComType() == lang::CMD_TextIns)
        texts->texts.emplace_back(static_cast<const script::TComTextIns&>(*command).TextData);
      else
        texts->texts.emplace_back(std::nullopt);
    }
  } catch (const std::exception&) {
    return nullptr;  // a page that cannot be read shows no message
  }
  constexpr size_t kRecentPages = 4;
  recent_.emplace_front(file, texts);
  if (recent_.size() > kRecentPages) recent_.pop_back();
  return texts;
}

components::TVeskMes* MessagePorts::Find(const std::string& window) {
  if (window.empty()) return nullptr;
  return dynamic_cast<components::TVeskMes*>(root_.FindControl(window));
}

bool MessagePorts::InsertText(const std::string& window, const std::string& page_file,
                              int32_t command_index, bool record) {
  components::TVeskMes* mes = Find(window);
  if (!mes) return false;
  mes->ShowMessage(page_file, command_index, record);
  return true;
}

bool MessagePorts::HoldsPages(const std::string& window) {
  const components::TVeskMes* mes = Find(window);
  return mes && mes->PageCount() > 0;
}

void MessagePorts::ClearText(const std::string& window) {
  if (components::TVeskMes* mes = Find(window)) {
    mes->ModeValue = components::TVeskMes::kPlain;
    mes->SetText(std::string());
  }
}

void MessagePorts::ClearHistory() {
  history_.Clear();
  history_.MaxCount = 0;
}

void MessagePorts::RegisterHistoryFormat(const std::string& object) {
  scene::TVeskObject* o = root_.FindComponent(object);
  if (!o) return;
  components::TVeskNewHistory::Format f;
  f.FontHeight = o->GetInt(lang::PR_FONTHEIGHT);
  f.BorderWidth = o->GetInt(lang::PR_FONTBORDER);
  f.ShadowWidth = o->GetInt(lang::PR_FONTSHADOW);
  f.PageWidth = o->GetInt(lang::PR_WIDTH);
  f.PageHeight = o->GetInt(lang::PR_HEIGHT);
  f.LineSpace = o->GetInt(lang::PR_LINESPACE);
  history_.RegisterFormat(f);
}

void MessagePorts::ShowHistory(const std::string& window, int32_t start, int32_t count,
                               bool packed) {
  if (components::TVeskMes* mes = Find(window)) mes->ShowHistory(start, count, packed);
}

}  // namespace vesk::app
