// The property-motion command makes a motion and hands it its target,
// property and course; the parts without a value are left to the motion.
#include <gtest/gtest.h>

#include "callman_fixture.h"
#include "core/vesk_error.h"

namespace vesk::script::test {
namespace {

struct Made final : SceneObject {};

// A scene that makes one object and records what the command gives it.
class MotionScene final : public ScenePort {
 public:
  Made made;
  std::vector<int> kinds;
  std::vector<std::string> names;
  std::vector<PropertyMotionSetup> setups;
  SceneObject* FindComponent(const std::string&) override { return nullptr; }
  SceneObject* FindControl(const std::string&) override { return nullptr; }
  SceneObject* CreateByKind(int kind) override {
    kinds.push_back(kind);
    return &made;
  }
  void GetProp(expr::TCustomParam&, SceneObject&, int32_t) override {}
  void SetProp(SceneObject&, int32_t, const expr::TCustomParam&) override {}
  void ApplyCreationProperty(SceneObject&, int id, const CreationValue& value) override {
    if (id == PR_NAME) names.push_back(std::get<std::string>(value));
  }
  void TakeCreationExpression(SceneObject&, int, const expr::TVeskParser&) override {}
  void SetUpPropertyMotion(SceneObject& motion, const PropertyMotionSetup& setup) override {
    EXPECT_EQ(&motion, &made);
    setups.push_back(setup);
  }
  void CreationComplete(SceneObject&) override {}
  void DeleteObject(SceneObject&) override {}
  bool ObjectExists(const std::string&) override { return true; }
  void Reset() override {}
  void SaveCabinet(const std::string&, const NameFilter&) override {}
  void LoadCabinet(const std::string&, const NameFilter&) override {}
};

class PropMotionCommand : public CallManFixture {
 protected:
  PropMotionCommand() {
    configure_ = [this](CallEnvironment& env) { env.ports.scene = &scene_; };
  }
  int32_t Run(TComPropMotion& command) {
    TPage* at = &page_;
    int32_t index = 0;
    command.Execute(Man(), at, index);
    return index;
  }
  TPage page_;
  MotionScene scene_;
};

TEST_F(PropMotionCommand, MakesAMotionWithEveryPartItWasGiven) {
  TComPropMotion command(&page_);
  Text(command.MotionName, "m");
  Text(command.TargetName, "box");
  Constant(command.PropertyId, PR_LEFT);
  Constant(command.EndValue, 120);
  Constant(command.Duration, 500);
  Constant(command.Easing, MT_DEC);
  Constant(command.Flag, 1);
  EXPECT_EQ(Run(command), 1);
  EXPECT_EQ(scene_.kinds, std::vector<int>{LT_PROPMOTION});
  EXPECT_EQ(scene_.names, std::vector<std::string>{"m"});
  ASSERT_EQ(scene_.setups.size(), 1u);
  const PropertyMotionSetup& s = scene_.setups[0];
  EXPECT_EQ(s.target_name, "box");
  EXPECT_EQ(s.property_id, PR_LEFT);
  EXPECT_EQ(s.end_value, expr::Real{120});
  EXPECT_EQ(s.duration_ms, 500);
  EXPECT_EQ(s.easing, MT_DEC);
  EXPECT_EQ(s.paused, true);
}

TEST_F(PropMotionCommand, PartsWithoutAValueAreNotPassedAndAnEmptyNameIsNotApplied) {
  TComPropMotion command(&page_);
  Constant(command.PropertyId, PR_TOP);
  EXPECT_EQ(Run(command), 1);
  EXPECT_TRUE(scene_.names.empty());
  ASSERT_EQ(scene_.setups.size(), 1u);
  const PropertyMotionSetup& s = scene_.setups[0];
  EXPECT_EQ(s.target_name, "");
  EXPECT_EQ(s.property_id, PR_TOP);
  EXPECT_FALSE(s.end_value || s.duration_ms || s.easing || s.paused);
}

TEST_F(PropMotionCommand, AMissingPropertyIdIsAnErrorAndMakesNoMotion) {
  TComPropMotion command(&page_);
  Text(command.TargetName, "box");
  EXPECT_THROW(Run(command), EVeskError);
  EXPECT_TRUE(scene_.kinds.empty());
}

}  // namespace
}  // namespace vesk::script::test
