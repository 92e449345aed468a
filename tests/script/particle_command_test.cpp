// The particle creation command hands the emitter its place and interval
// expressions to evaluate per particle, besides applying its properties.
#include <gtest/gtest.h>

#include <algorithm>

#include "callman_fixture.h"

namespace vesk::script::test {
namespace {

struct Made final : SceneObject {};

// A scene that makes one object and records what the command gives it.
class RecordingScene final : public ScenePort {
 public:
  Made made;
  std::vector<int> kinds, expressions, applied;
  std::vector<int32_t> expression_values;
  SceneObject* FindComponent(const std::string&) override { return nullptr; }
  SceneObject* FindControl(const std::string&) override { return nullptr; }
  SceneObject* CreateByKind(int kind) override {
    kinds.push_back(kind);
    return &made;
  }
  void GetProp(expr::TCustomParam&, SceneObject&, int32_t) override {}
  void SetProp(SceneObject&, int32_t, const expr::TCustomParam&) override {}
  void ApplyCreationProperty(SceneObject&, int id, const CreationValue&) override {
    applied.push_back(id);
  }
  void TakeCreationExpression(SceneObject&, int id, const expr::TVeskParser& e) override {
    expressions.push_back(id);
    expr::TVeskParser copy;
    copy.Assign(e);
    expr::TParamCollection table;
    copy.Run(table, nullptr);
    expression_values.push_back(copy.Result ? copy.Result->GetInt() : -1);
  }
  void CreationComplete(SceneObject&) override {}
  void DeleteObject(SceneObject&) override {}
  bool ObjectExists(const std::string&) override { return true; }
  void Reset() override {}
  void SaveCabinet(const std::string&, const NameFilter&) override {}
  void LoadCabinet(const std::string&, const NameFilter&) override {}
};

class ParticleCommand : public CallManFixture {
 protected:
  ParticleCommand() {
    configure_ = [this](CallEnvironment& env) { env.ports.scene = &recording_; };
  }
  RecordingScene recording_;
};

TEST_F(ParticleCommand, HandsOverItsPlaceAndIntervalExpressions) {
  TPage page;
  for (int p : {PR_LEFT, PR_DELAY, PR_APPEARX, PR_APPEARY})
    SetPropertyBit(page.Schema[CMD_ParticleNew], p);
  TComParticleNew command(&page);
  Constant(*command.Property(PR_LEFT), 5);
  Constant(*command.Property(PR_DELAY), 30);
  Constant(*command.Property(PR_APPEARX), 70);
  Constant(*command.Property(PR_APPEARY), 90);
  TPage* at = &page;
  int32_t index = 0;
  command.Execute(Man(), at, index);
  EXPECT_EQ(recording_.kinds, std::vector<int>{LT_PARTICLE});
  EXPECT_EQ(recording_.expressions, (std::vector<int>{PR_APPEARX, PR_APPEARY, PR_DELAY}));
  EXPECT_EQ(recording_.expression_values, (std::vector<int32_t>{70, 90, 30}));
  EXPECT_NE(std::find(recording_.applied.begin(), recording_.applied.end(), PR_LEFT),
            recording_.applied.end());
  EXPECT_EQ(std::find(recording_.applied.begin(), recording_.applied.end(), PR_APPEARX),
            recording_.applied.end());
  EXPECT_EQ(index, 1);
}

TEST_F(ParticleCommand, OtherCreationCommandsKeepTheirExpressions) {
  TPage page;
  SetPropertyBit(page.Schema[CMD_WaveNew], PR_DELAY);
  TComWaveNew command(&page);
  Constant(*command.Property(PR_DELAY), 1500);
  TPage* at = &page;
  int32_t index = 0;
  command.Execute(Man(), at, index);
  EXPECT_TRUE(recording_.expressions.empty());
  EXPECT_EQ(recording_.applied, std::vector<int>{PR_DELAY});
}

}  // namespace
}  // namespace vesk::script::test
