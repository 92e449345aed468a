#pragma once
// The scene objects: TVeskObject (name, priority, tag and the property
// interface), TVeskComponent, and TVeskControl (position, size, visibility,
// the control tree, clipping, hit testing and the mouse and key reactions
// that queue script events). The scene root (baselist.h) owns every object.
//
// Properties: every object answers all 159 ids through four typed accessor
// pairs; the catalogue (property_catalogue.h) says which type an id uses.
// A class answers the ids it keeps and passes the others to its base class,
// so TVeskObject ends every chain with the catalogue's default.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/byte_reader.h"
#include "core/record_io.h"
#include "core/rect.h"
#include "core/version.h"
#include "expr/params.h"
#include "expr/parser.h"
#include "lang/vocabulary.h"
#include "script/scene_object.h"
#include "script/scene_port.h"

namespace vesk::graphics {
class TCustomDIBX;
}

namespace vesk::scene {

using expr::Real;

class TVeskBaseList;
class TVeskControl;
class TVeskBase;

// Names that begin with this byte belong to the system (the bases, the flip
// snapshot); scripts never see them listed or saved.
inline constexpr char kSystemNameByte = '\x01';

class TVeskObject : public script::SceneObject {
 public:
  explicit TVeskObject(TVeskBaseList* root) : Root(root) {}
  ~TVeskObject() override = default;
  TVeskObject(const TVeskObject&) = delete;
  TVeskObject& operator=(const TVeskObject&) = delete;

  TVeskBaseList* Root;
  std::string Name;  // CP932, unique within the root
  std::string Tag;
  int32_t Priority = 0;
  int32_t PriorityBias = 0;  // set by motions, cleared when Priority is written

  // ---- Properties (defaults of the catalogue at this level)
  virtual int32_t GetInt(int id) const;
  virtual void SetInt(int id, int32_t value);
  virtual bool GetFlag(int id) const;
  virtual void SetFlag(int id, bool value);
  virtual std::string GetStr(int id) const;
  virtual void SetStr(int id, const std::string& value);
  virtual Real GetReal(int id) const;
  virtual void SetReal(int id, Real value);

  virtual void SetName(const std::string& name);
  virtual int GetCompoType() const { return lang::LT_NONE; }
  virtual TVeskControl* AsControl() { return nullptr; }
  const TVeskControl* AsControl() const { return const_cast<TVeskObject*>(this)->AsControl(); }
  virtual bool GetVisible() const { return false; }
  virtual bool IsInputLocked() const { return false; }
  virtual bool NeedsAutoName() const { return true; }
  bool Paused() const { return GetFlag(lang::PR_PAUSED); }

  // Per-frame step; true when the object has finished and is to be deleted.
  virtual bool Update(int32_t frame_ms) {
    (void)frame_ms;
    return false;
  }
  // The menu command opens the menu it made; MenuClose starts its closing.
  // Other objects take no notice.
  virtual void OpenMenu() {}
  virtual void CloseMenu() {}
  // Items of lists, menus and preview menus (GetCheck/SetCheck,
  // GetEnabled/SetEnabled). Reading outside the items answers false,
  // writing outside them does nothing. `item` of the enabled pair is an item
  // number as text, or for a preview menu also the name of an item.
  virtual bool GetItemCheck(int32_t index) const {
    (void)index;
    return false;
  }
  virtual void SetItemCheck(int32_t index, bool value) {
    (void)index;
    (void)value;
  }
  virtual bool GetItemEnabled(const std::string& item) const {
    (void)item;
    return false;
  }
  virtual void SetItemEnabled(const std::string& item, bool value) {
    (void)item;
    (void)value;
  }
  // Drawing surfaces are dropped and rebuilt around display-mode changes.
  virtual void ReleaseSurfaces() {}
  virtual void RestoreSurfaces() {}

  // The stored form inside saved games: written at kSaveVersion, read at
  // the version of the saved game, both through Transfer.
  void SaveToStream(ByteWriter& out) const;
  void LoadFromStream(ByteReader& in, int32_t version);
  // The fields in stored order for both directions (core/record_io.h); a
  // kind adds its own after its base's. New kinds describe their fields
  // only here.
  virtual void Transfer(RecordIO& io);

  // A creation command hands over the expression of a property it does not
  // evaluate once but leaves to the object (an animation's end wait).
  virtual void TakeCreationExpression(int id, const expr::TVeskParser& expression) {
    (void)id;
    (void)expression;
  }

  // The property-motion command's target, property and course; other
  // kinds take no notice.
  virtual void TakePropertyMotion(const script::PropertyMotionSetup& setup) { (void)setup; }

  // Queues the handler of property `event_id` when it is set: (name of the
  // handler, this object, the id, the arguments).
  void QueueEvent(int event_id, const std::string& handler, std::vector<std::string> args = {});
  bool EventWaiting(int event_id) const;
};

class TVeskComponent : public TVeskObject {
 public:
  using TVeskObject::TVeskObject;
  ~TVeskComponent() override;
};

// Modifier keys held with a key pressed in a text box.
inline constexpr uint8_t kKeyShift = 1;
inline constexpr uint8_t kKeyControl = 2;
inline constexpr uint8_t kKeyAlt = 4;

// Handler name slots of a control, in stored order.
enum MouseHandler {
  kOnMouseMove,
  kOnMouseIn,
  kOnMouseOut,
  kOnLBtnDown,
  kOnLBtnUp,
  kOnRBtnDown,
  kOnRBtnUp,
  kOnWheelDown,
  kOnWheelUp,
  kMouseHandlerCount
};
enum KeyHandler { kOnKeyDown, kOnKeyUp, kOnKeyRepeat, kOnFocusIn, kOnFocusOut, kKeyHandlerCount };

class TVeskControl : public TVeskComponent {
 public:
  using TVeskComponent::TVeskComponent;
  ~TVeskControl() override;

  int32_t Left = 0, Top = 0, Width = 0, Height = 0;
  int32_t OffsetX = 0, OffsetY = 0;
  uint8_t Visible = 1;
  TVeskControl* Parent = nullptr;
  int32_t Color = 0;
  std::vector<TVeskControl*> Children;  // draw order: first drawn first
  Rect SavedRect{0, 0, 1, 1};
  std::string MouseHandlers[kMouseHandlerCount];
  uint8_t IgnoreMouse = 0;  // IM_ mode
  std::string Cursor;
  uint8_t PosZoomed = 0;
  uint8_t Hatched = 0;
  int32_t ClipLeft = 0, ClipTop = 0, ClipWidth = 0, ClipHeight = 0;
  int32_t MotionOffsetX = 0, MotionOffsetY = 0;
  uint8_t AniPaused = 0;
  uint8_t HandleKey = 0;
  std::string KeyHandlers[kKeyHandlerCount];

  TVeskControl* AsControl() override { return this; }

  int32_t GetInt(int id) const override;
  void SetInt(int id, int32_t value) override;
  bool GetFlag(int id) const override;
  void SetFlag(int id, bool value) override;
  std::string GetStr(int id) const override;
  void SetStr(int id, const std::string& value) override;

  void SetName(const std::string& name) override;

  // ---- Tree
  virtual void SetParent(TVeskControl* parent);
  virtual bool IsBase() const { return false; }
  virtual bool IsCabinet() const { return false; }
  TVeskBase* GetBase();
  bool IsAncestorOf(const TVeskControl* other) const;
  bool IsInCabinet() const;
  void AddChild(TVeskControl* child);
  void RemoveChild(TVeskControl* child);
  void SortChildren();
  virtual void CabinetAttached() {}
  virtual void CabinetDetached() {}

  // ---- Visibility
  bool GetVisible() const override;
  virtual void SetVisible(bool visible);
  // Visible, on the base currently shown, with every ancestor visible.
  bool IsShown() const;

  // ---- Geometry
  virtual int32_t GetSceneLeft() const;
  virtual int32_t GetSceneTop() const;
  int32_t GetLocalLeft() const;
  int32_t GetLocalTop() const;
  Rect SceneRect() const;
  virtual Rect GetHitRect() const { return SceneRect(); }
  // The scene clip rectangle; empty when the control does not clip.
  Rect ClipRect() const;
  bool Clips() const { return ClipWidth >= 1 && ClipHeight >= 1; }
  // The point children's positions are measured from, and the rotation
  // and zoom anchor of the kinds.
  int32_t AnchorX() const;
  int32_t AnchorY() const;
  // The size of the control's own drawing surface, when it has one (used to
  // map zoomed positions through a parent's picture).
  virtual bool OwnSurfaceSize(int32_t* width, int32_t* height) const {
    (void)width;
    (void)height;
    return false;
  }
  virtual bool HasMotion() const { return false; }
  void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);
  virtual void Moved();
  virtual void ClipChanged();

  // ---- Drawing
  void Invalidate();
  // Marks everything the control may have drawn; kinds that draw beyond
  // their rectangle (rotated pictures) widen it. Used when a control leaves
  // the screen for good or for a while.
  virtual void InvalidateDrawn() { Invalidate(); }
  virtual void InvalidateRect(const Rect& r);
  // Draws the control itself (kinds) and then its children, inside `clip`.
  virtual void Draw(graphics::TCustomDIBX& surface, const Rect& clip);
  void DrawChildren(graphics::TCustomDIBX& surface, const Rect& clip);

  // ---- Input
  // The topmost control under the scene point whose IgnoreMouse mode is in
  // `mask` (a bit per IM_ mode), or null.
  virtual TVeskControl* HitTest(int32_t x, int32_t y, uint32_t mask);
  virtual void LeftDown();
  virtual void LeftUp();
  virtual void RightDown();
  virtual void RightUp();
  virtual void MouseMove();
  virtual void MouseIn();
  virtual void MouseOut();
  virtual void MouseHold() {}
  // A wheel notch over the control, before its wheel handler is queued:
  // lists scroll by it, sliders and scroll bars step their value.
  virtual void MouseWheel(bool down) { (void)down; }
  virtual void KeyDown();
  virtual void KeyUp();
  virtual void KeyRepeat();
  virtual void FocusGained() {}
  virtual TVeskControl* FindFocusable();
  virtual const std::string& GetCursorFile() const { return Cursor; }
  // A right click offered by the root (map images and menus take it).
  virtual bool TakeRightClick() { return false; }

  // ---- Text entry. The control that holds the keyboard (a text box, see
  // TVeskBaseList::GiveKeyboard) receives every key press with the
  // modifiers held, the text typed (CP932) and the input method's
  // composition with its cursor (a byte offset into it).
  virtual void TextKeyDown(int vk, uint8_t mods) {
    (void)vk;
    (void)mods;
  }
  virtual void TextTyped(const std::string& cp932) { (void)cp932; }
  virtual void TextComposing(const std::string& cp932, size_t cursor_bytes) {
    (void)cp932;
    (void)cursor_bytes;
  }
  // Where typed text would go, in scene coordinates; false when the control
  // takes no text now.
  virtual bool TextCaret(Rect* caret) const {
    (void)caret;
    return false;
  }
  // The keyboard went elsewhere.
  virtual void KeyboardLost() {}
  // Once a frame, after the update pass, for the controls the root keeps as
  // overlays (whatever their pause state).
  virtual void SyncOverlay() {}

  // The control part, the kind's fields, then the children.
  void Transfer(RecordIO& io) final;

 protected:
  // Kinds list their own fields between the control part and the children.
  virtual void TransferKindFields(RecordIO& io) { (void)io; }

 private:
  // The fields of this level only.
  void TransferControlFields(RecordIO& io);
  // The saved children: a count, then each child's kind byte and record.
  void TransferChildren(RecordIO& io);
  int32_t AnchorOffsetX(bool with_flip_minus_one) const;
  int32_t AnchorOffsetY(bool with_flip_minus_one) const;
  int32_t PositionX() const;
  int32_t PositionY() const;
  std::vector<std::string> RelativeMouse() const;
  // Writes a geometry field: invalidate, store, invalidate.
  void SetGeometry(int32_t& field, int32_t value);
  void SetClipField(int32_t& field, int32_t value);
  void HandleKeyChanged(uint8_t old_value);
};

// A stand-alone container: never drawn, never visible; what lies under it
// is set aside (no updates, no idle events).
class TVeskCabinet final : public TVeskControl {
 public:
  using TVeskControl::TVeskControl;
  int GetCompoType() const override { return lang::LT_CABINET; }
  bool IsCabinet() const override { return true; }
  bool GetVisible() const override { return false; }
  void Draw(graphics::TCustomDIBX&, const Rect&) override {}
};

}  // namespace vesk::scene
