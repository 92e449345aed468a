// Two runtimes in one process, each wired as the player wires one: its own
// services, router, variable table, functions and scene root with its own
// kind registry. Nothing of one may be seen from the other.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/runtime_services.h"
#include "components/component_services.h"
#include "components/kinds.h"
#include "expr/param_collection.h"
#include "expr/parser.h"
#include "expr/sysfuncs.h"
#include "expr/system_router.h"
#include "lang/vocabulary.h"
#include "scene/baselist.h"
#include "scene/system_provider.h"

namespace vesk::app {
namespace {

using namespace vesk::lang;

std::unique_ptr<expr::TCustomParam> Str(const std::string& s) {
  auto p = std::make_unique<expr::TParamStr>();
  p->SetStr(s);
  return p;
}
std::unique_ptr<expr::TCustomParam> Var(const std::string& name) {
  auto p = std::make_unique<expr::TParamVar>();
  p->RefName = name;
  return p;
}
// One operation `dest := op(operand)`.
void Op(expr::TVeskParser& e, int op, const std::string& dest,
        std::unique_ptr<expr::TCustomParam> operand, int func = 0) {
  auto o = std::make_unique<expr::TOpeData>();
  o->Op = static_cast<uint8_t>(op);
  o->FuncId = static_cast<uint8_t>(func);
  o->Dest = dest;
  o->Operands.push_back(std::move(operand));
  e.Ops.push_back(std::move(o));
}

struct Runtime {
  explicit Runtime(bool with_components) {
    services.eval.error_sink = [this](const std::string& m) { errors.push_back(m); };
    variables.set_services(&services.eval);
    auto registry = std::make_shared<scene::KindRegistry>();
    if (with_components) components::RegisterComponentKinds(*registry, component_services);
    kinds = registry;
    scene::SceneEnvironment env;
    env.kinds = kinds;
    root = std::make_unique<scene::TVeskBaseList>(std::move(env));
    root->SetSceneSize(64, 48);
    providers.Add(router, std::make_unique<scene::SceneSystemProvider>(*root));
  }
  // The expression's result as a string; errors go to this runtime's sink.
  std::string Run(expr::TVeskParser& e) {
    e.Run(variables, &functions);
    return e.Result ? e.Result->GetStr() : "<none>";
  }

  RuntimeServices services;
  std::vector<std::string> errors;
  expr::SystemRouter router;
  expr::TParamCollection variables{&router};
  expr::TSysFuncMan functions{variables, &router};
  components::ComponentServices component_services;
  std::shared_ptr<const scene::KindRegistry> kinds;
  std::unique_ptr<scene::TVeskBaseList> root;
  expr::ProviderSet providers;  // leaves the router before the root goes
};

TEST(TwoRuntimes, KindsScenesVariablesAndErrorSinksStayApart) {
  Runtime a(true), b(false);

  // Only the first registry knows the box; both know the scene's cabinet.
  scene::TVeskObject* box = a.root->CreateByKind(LT_BOX);
  ASSERT_NE(box, nullptr);
  box->SetName("box");
  EXPECT_EQ(b.root->CreateByKind(LT_BOX), nullptr);
  EXPECT_NE(b.root->CreateByKind(LT_CABINET), nullptr);

  // Exists() asks each runtime's own scene through its own router.
  expr::TVeskParser exists;
  Op(exists, ocFunc, "____0", Str("box"), FN_Exists);
  Op(exists, ocTo, "____arg", Var("____0"));
  EXPECT_EQ(a.Run(exists), "TRUE");
  EXPECT_EQ(b.Run(exists), "FALSE");

  // A click on one scene is that runtime's @LClick only.
  a.root->ShownBase()->LClick = 1;
  expr::TVeskParser click;
  Op(click, ocTo, "____arg", Var("@LClick"));
  EXPECT_EQ(a.Run(click), "TRUE");
  EXPECT_EQ(b.Run(click), "FALSE");

  // An unknown name is an error in the runtime that ran it, and only there.
  expr::TVeskParser unknown;
  Op(unknown, ocTo, "____arg", Var("nobody"));
  b.Run(unknown);
  b.Run(unknown);
  EXPECT_TRUE(a.errors.empty());
  EXPECT_EQ(b.errors.size(), 2u);
  a.Run(unknown);
  EXPECT_EQ(a.errors.size(), 1u);
  EXPECT_EQ(b.errors.size(), 2u);
}

}  // namespace
}  // namespace vesk::app
