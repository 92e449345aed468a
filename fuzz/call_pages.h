#pragma once
// The pages the call manager's fuzz entry runs over, built with the page's
// own writer: "main.lsb" calls "sub.lsb" with an argument and waits in a
// loop; "sub.lsb" waits, blocking events, then returns a value.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "expr/params.h"
#include "script/commands.h"
#include "script/pages.h"

namespace vesk::fuzz {

inline void ConstantOp(script::TVeskParser& e, int32_t value, const std::string& dest = "____arg") {
  auto op = std::make_unique<expr::TOpeData>();
  op->Op = lang::ocTo;
  op->Dest = dest;
  auto v = expr::MakeParam(lang::PT_INT);
  v->SetInt(value);
  op->Operands.push_back(std::move(v));
  e.Ops.push_back(std::move(op));
}

template <typename T>
T& AddCommand(script::TPage& page) {
  auto c = std::make_unique<T>(&page);
  c->RunOn = 1;
  T& ref = *c;
  page.Commands.push_back(std::move(c));
  return ref;
}

inline std::vector<uint8_t> PageBytes(const script::TPage& page) {
  ByteWriter w;
  page.SaveToStream(w);
  return w.bytes();
}

inline std::map<std::string, std::vector<uint8_t>> CallPages() {
  script::TPage main, sub;
  main.Name = "main.lsb";
  sub.Name = "sub.lsb";
  main.Version = sub.Version = 109;
  AddCommand<script::TComLabel>(main).LabelName = "top";
  auto& call = AddCommand<script::TComCall>(main);
  call.PageName = "sub.lsb";
  ConstantOp(call.Condition, 1);
  call.Args.resize(1);
  ConstantOp(call.Args[0], 7);
  ConstantOp(AddCommand<script::TComWait>(main).Time, 500);
  auto& jump = AddCommand<script::TComJump>(main);
  jump.Target = 0;
  ConstantOp(jump.Condition, 1);
  auto& wait = AddCommand<script::TComWait>(sub);
  ConstantOp(wait.Time, 100);
  ConstantOp(wait.BlockEvents, 1);
  ConstantOp(AddCommand<script::TComCalc>(sub).Expression, 3, "@Result");
  return {{"main.lsb", PageBytes(main)}, {"sub.lsb", PageBytes(sub)}};
}

}  // namespace vesk::fuzz
