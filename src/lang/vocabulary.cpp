#include "lang/vocabulary.h"

#include <array>
#include <mutex>
#include <string>
#include <vector>

#include "core/sjis.h"
#include "platform/cp932.h"

namespace vesk::lang {
namespace {

// Each table is written as rows that carry their enum value next to the
// entry; Entries() drops the values after checking, at compile time, that
// every row sits at its id. The row macros spell the name from the
// enumerator itself, so a name and its enumerator cannot drift apart.
struct Row {
  int id;
  VocabEntry entry;
};

struct CommandRow {
  int id;
  VocabEntry entry;
  const char* class_name;
};

template <typename RowT, std::size_t N>
consteval std::array<VocabEntry, N> Entries(const RowT (&rows)[N]) {
  std::array<VocabEntry, N> out{};
  for (std::size_t i = 0; i < N; ++i) {
    if (rows[i].id != static_cast<int>(i)) throw "vocabulary row out of id order";
    out[i] = rows[i].entry;
  }
  return out;
}

template <std::size_t N>
consteval std::array<const char*, N> ClassNames(const CommandRow (&rows)[N]) {
  std::array<const char*, N> out{};
  for (std::size_t i = 0; i < N; ++i) out[i] = rows[i].class_name;
  return out;
}

#define COMMAND(name, caption, cls)    \
  CommandRow {                         \
    CMD_##name, {#name, caption}, #cls \
  }
#define ENTRY(id, caption) \
  Row {                    \
    id, {                  \
#id, caption         \
    }                      \
  }
#define NAMED(id)  \
  Row {            \
    id, {          \
#id, nullptr \
    }              \
  }
#define SYSVAR(name)     \
  Row {                  \
    SV_##name, {         \
      "@" #name, nullptr \
    }                    \
  }
#define FUNC(name)   \
  Row {              \
    FN_##name, {     \
#name, nullptr \
    }                \
  }

constexpr CommandRow kCommandRows[] = {
    COMMAND(If, "IF", TComIf),
    COMMAND(Elseif, "ELSE IF", TComElseif),
    COMMAND(Else, "ELSE", TComElse),
    COMMAND(Label, "ラベル", TComLabel),
    COMMAND(Jump, "ジャンプ", TComJump),
    COMMAND(Call, "コール", TComCall),
    COMMAND(Exit, "リターン", TComExit),
    COMMAND(Wait, "ウエイト", TComWait),
    COMMAND(BoxNew, "矩形サーフェス作成", TComBoxNew),
    COMMAND(ImgNew, "画像サーフェス作成", TComImgNew),
    COMMAND(MesNew, "メッセージボックス作成", TComMesNew),
    COMMAND(Timer, "タイマー", TComTimer),
    COMMAND(Movie, "ムービー再生", TComMovie),
    COMMAND(Flip, "フリップ", TComFlip),
    COMMAND(Calc, "計算", TComCalc),
    COMMAND(VarNew, "変数作成", TComVarNew),
    COMMAND(VarDel, "変数削除", TComVarDel),
    COMMAND(GetProp, "プロパティ取得", TComGetProp),
    COMMAND(SetProp, "プロパティ設定", TComSetProp),
    COMMAND(ObjDel, "コンポーネント削除", TComObjDel),
    COMMAND(TextIns, "テキスト挿入", TComTextIns),
    COMMAND(MovieStop, "メディア停止", TComMovieStop),
    COMMAND(ClrHist, "履歴クリア", TComClrHist),
    COMMAND(Cinema, "シネマサーフェス作成", TComCinema),
    COMMAND(Caption, "キャプション作成", TComCaption),
    COMMAND(Menu, "メニュー作成", TComMenu),
    COMMAND(MenuClose, "メニュークローズ", TComMenuClose),
    COMMAND(Comment, "コメント", TComComment),
    COMMAND(TextClr, "テキストクリア", TComTextClr),
    COMMAND(CallHist, "履歴呼出", TComCallHist),
    COMMAND(Button, "ボタン作成", TComBtnNew),
    COMMAND(While, "ループ", TComWhile),
    COMMAND(WhileInit, "ループ初期化", TComWhileInit),
    COMMAND(WhileLoop, "ループ再初期化", TComWhileLoop),
    COMMAND(Break, "ループ脱出", TComBreak),
    COMMAND(Continue, "ループ先頭へ", TComContinue),
    COMMAND(ParticleNew, "パーティクルサーフェス作成", TComParticleNew),
    COMMAND(FireNew, "炎サーフェス作成", TComFireNew),
    COMMAND(GameSave, "ゲームセーブ", TComGameSave),
    COMMAND(GameLoad, "ゲームロード", TComGameLoad),
    COMMAND(PCReset, "PCリセット", TComPCReset),
    COMMAND(Reset, "リセット", TComReset),
    COMMAND(Sound, "サウンド再生", TComSound),
    COMMAND(EditNew, "エディット作成", TComEditNew),
    COMMAND(MemoNew, "メモ作成", TComMemoNew),
    COMMAND(Terminate, "終了", TComTerminate),
    COMMAND(DoEvent, "DoEvent", TComDoEvent),
    COMMAND(ClrRead, "既読クリア", TComClrRead),
    COMMAND(MapImgNew, "選択画像作成", TComMapImgNew),
    COMMAND(WaveNew, "ウエーブサーフェス作成", TComWaveNew),
    COMMAND(TileNew, "タイルサーフェス作成", TComTileNew),
    COMMAND(SliderNew, "スライダー作成", TComSliderNew),
    COMMAND(ScrollbarNew, "スクロールバー作成", TComScrollbarNew),
    COMMAND(GaugeNew, "ゲージ作成", TComGaugeNew),
    COMMAND(CGCaption, "画像キャプション作成", TComCGCaption),
    COMMAND(MediaPlay, "メディア再生", TComMediaPlay),
    COMMAND(PrevMenuNew, "プレビューメニュー作成", TComPrevMenuNew),
    COMMAND(PropMotion, "プロパティモーション", TComPropMotion),
    COMMAND(FormatHist, "履歴書式登録", TComEntryHist),
    COMMAND(SaveCabinet, "キャビネット保存", TComCabinetSave),
    COMMAND(LoadCabinet, "キャビネット復帰", TComCabinetLoad),
};

constexpr Row kOperatorRows[] = {
    NAMED(ocNone),   NAMED(ocTo),     NAMED(ocPlus),   NAMED(ocMinus),  NAMED(ocMul),
    NAMED(ocDiv),    NAMED(ocMod),    NAMED(ocOr),     NAMED(ocAnd),    NAMED(ocXor),
    NAMED(ocDimTo),  NAMED(ocFunc),   NAMED(ocEqual),  NAMED(ocBig),    NAMED(ocSmall),
    NAMED(ocEBig),   NAMED(ocESmall), NAMED(ocShiftL), NAMED(ocShiftR), NAMED(ocComboStr),
    NAMED(ocNEqual),
};

constexpr Row kComponentKindRows[] = {
    ENTRY(LT_NONE, "なし"),
    ENTRY(LT_AUDIO, "オーディオ"),
    ENTRY(LT_BOX, "矩形サーフェス"),
    ENTRY(LT_BUTTON, "ボタン"),
    ENTRY(LT_CINEMA, "シネマサーフェス"),
    ENTRY(LT_EDIT, "エディット"),
    ENTRY(LT_FIRE, "炎サーフェス"),
    ENTRY(LT_HTTP, "HTTP"),
    ENTRY(LT_IMAGES, "画像サーフェス"),
    ENTRY(LT_LABEL, "キャプション"),
    ENTRY(LT_MAP, "マップ"),
    ENTRY(LT_MEMO, "メモ"),
    ENTRY(LT_MENU, "メニュー"),
    ENTRY(LT_MES, "メッセージボックス"),
    ENTRY(LT_PARTICLE, "パーティクルサーフェス"),
    ENTRY(LT_TIMER, "タイマー"),
    ENTRY(LT_VIDEO, "ムービー"),
    ENTRY(LT_SOUND, "サウンド"),
    ENTRY(LT_MAPIMG, "選択画像"),
    ENTRY(LT_WAVE, "ウェーブサーフェス"),
    ENTRY(LT_TILE, "タイルサーフェス"),
    ENTRY(LT_SLIDER, "スライダー"),
    ENTRY(LT_SCROLLBAR, "スクロールバー"),
    ENTRY(LT_GAUGE, "ゲージ"),
    ENTRY(LT_CGLABEL, "画像キャプション"),
    ENTRY(LT_PREVMENU, "プレビューメニュー"),
    ENTRY(LT_PROPMOTION, "プロパティモーション"),
    ENTRY(LT_CABINET, "キャビネット"),
};

constexpr Row kPropertyRows[] = {
    ENTRY(PR_NAME, "名前"),
    ENTRY(PR_PARENT, "親"),
    ENTRY(PR_SOURCE, "ソース"),
    ENTRY(PR_LEFT, "X座標"),
    ENTRY(PR_TOP, "Y座標"),
    ENTRY(PR_WIDTH, "幅"),
    ENTRY(PR_HEIGHT, "高さ"),
    ENTRY(PR_ZOOMX, "ズームX"),
    ENTRY(PR_COLOR, "色"),
    ENTRY(PR_BORDERWIDTH, "枠幅"),
    ENTRY(PR_BORDERCOLOR, "枠色"),
    ENTRY(PR_ALPHA, "アルファ"),
    ENTRY(PR_PRIORITY, "プライオリティ"),
    ENTRY(PR_OFFSETX, "X中心座標"),
    ENTRY(PR_OFFSETY, "Y中心座標"),
    ENTRY(PR_FONTNAME, "フォント名"),
    ENTRY(PR_FONTHEIGHT, "フォントサイズ"),
    ENTRY(PR_FONTSTYLE, "フォントスタイル"),
    ENTRY(PR_LINESPACE, "行間"),
    ENTRY(PR_FONTCOLOR, "フォント色"),
    ENTRY(PR_FONTLINKCOLOR, "リンクの色"),
    ENTRY(PR_FONTBORDERCOLOR, "フォントの縁の色"),
    ENTRY(PR_FONTHOVERCOLOR, "マウスオーバー時の\r\nフォント色"),
    ENTRY(PR_FONTHOVERSTYLE, "マウスオーバー時の\r\nフォントスタイル"),
    ENTRY(PR_HOVERCOLOR, "マウスオーバー時の\r\n色"),
    ENTRY(PR_ANTIALIAS, "アンチエイリアス"),
    ENTRY(PR_DELAY, "ウエイト"),
    ENTRY(PR_PAUSED, "停止"),
    ENTRY(PR_VOLUME, "音量"),
    ENTRY(PR_REPEAT, "リピート"),
    ENTRY(PR_BALANCE, "バランス"),
    ENTRY(PR_ANGLE, "角度"),
    ENTRY(PR_ONPLAYING, "再生中"),
    ENTRY(PR_ONNOTIFY, "汎用イベント"),
    ENTRY(PR_ONMOUSEMOVE, "マウス移動"),
    ENTRY(PR_ONMOUSEOUT, "マウスアウト"),
    ENTRY(PR_ONLBTNDOWN, "左ボタンダウン"),
    ENTRY(PR_ONLBTNUP, "左ボタンアップ"),
    ENTRY(PR_ONRBTNDOWN, "右ボタンダウン"),
    ENTRY(PR_ONRBTNUP, "右ボタンアップ"),
    ENTRY(PR_ONWHEELDOWN, "ホイールダウン"),
    ENTRY(PR_ONWHEELUP, "ホイールアップ"),
    ENTRY(PR_BRIGHTNESS, "明るさ"),
    ENTRY(PR_ONPLAYEND, "再生終了"),
    ENTRY(PR_INDEX, "インデックス"),
    ENTRY(PR_COUNT, "カウント"),
    ENTRY(PR_ONLINK, "リンク"),
    ENTRY(PR_VISIBLE, "可視"),
    ENTRY(PR_COLCOUNT, "列数"),
    ENTRY(PR_ROWCOUNT, "行数"),
    ENTRY(PR_TEXT, "テキスト"),
    ENTRY(PR_MARGINX, "左右の余白"),
    ENTRY(PR_MARGINY, "上下の余白"),
    ENTRY(PR_HALIGN, "横の揃え"),
    ENTRY(PR_BORDERSOURCETL, "枠画像(左上)"),
    ENTRY(PR_BORDERSOURCETC, "枠画像(上)"),
    ENTRY(PR_BORDERSOURCETR, "枠画像(右上)"),
    ENTRY(PR_BORDERSOURCECL, "枠画像(左)"),
    ENTRY(PR_BORDERSOURCECC, "枠画像(背景)"),
    ENTRY(PR_BORDERSOURCECR, "枠画像(右)"),
    ENTRY(PR_BORDERSOURCEBL, "枠画像(左下)"),
    ENTRY(PR_BORDERSOURCEBC, "枠画像(下)"),
    ENTRY(PR_BORDERSOURCEBR, "枠画像(右下)"),
    ENTRY(PR_BORDERHALIGNT, "枠横揃え(上)"),
    ENTRY(PR_BORDERHALIGNC, "枠横揃え(背景)"),
    ENTRY(PR_BORDERHALIGNB, "枠横揃え(下)"),
    ENTRY(PR_BORDERVALIGNL, "枠縦揃え(左)"),
    ENTRY(PR_BORDERVALIGNC, "枠縦揃え(背景)"),
    ENTRY(PR_BORDERVALIGNR, "枠縦揃え(右)"),
    ENTRY(PR_SCROLLSOURCE, "スクロールバー画像"),
    ENTRY(PR_CHECKSOURCE, "チェック画像"),
    ENTRY(PR_AUTOSCRAP, "自動破棄"),
    ENTRY(PR_ONSELECT, "選択"),
    ENTRY(PR_RCLICKSCRAP, "右クリックで破棄"),
    ENTRY(PR_ONOPENING, "オープン前"),
    ENTRY(PR_ONOPENED, "オープン後"),
    ENTRY(PR_ONCLOSING, "クローズ前"),
    ENTRY(PR_ONCLOSED, "クローズ後"),
    ENTRY(PR_CARETX, "キャレットX"),
    ENTRY(PR_CARETY, "キャレットY"),
    ENTRY(PR_IGNOREMOUSE, "マウス透過"),
    ENTRY(PR_TEXTPAUSED, "テキスト一時停止"),
    ENTRY(PR_TEXTDELAY, "テキストウエイト率"),
    ENTRY(PR_HOVERSOURCE, "マウスオーバー時の\r\n画像"),
    ENTRY(PR_PRESSEDSOURCE, "押された時の画像"),
    ENTRY(PR_GROUPINDEX, "グループ番号"),
    ENTRY(PR_ALLOWALLUP, "全解除許可"),
    ENTRY(PR_SELECTED, "選択"),
    ENTRY(PR_CAPTUREMASK, "マウス位置を\r\nマスクで判断"),
    ENTRY(PR_POWER, "強さ"),
    ENTRY(PR_ORIGWIDTH, "元の幅"),
    ENTRY(PR_ORIGHEIGHT, "元の高さ"),
    ENTRY(PR_APPEARX, "X発生座標"),
    ENTRY(PR_APPEARY, "Y発生座標"),
    ENTRY(PR_PARTMOTION, "動作タイプ"),
    ENTRY(PR_PARAM1, "パラメータ1"),
    ENTRY(PR_PARAM2, "パラメータ2"),
    ENTRY(PR_TOPINDEX, "最上部インデックス"),
    ENTRY(PR_READONLY, "編集禁止"),
    ENTRY(PR_CURSOR, "カーソル"),
    ENTRY(PR_POSZOOMED, "ズーム座標"),
    ENTRY(PR_ONPLAYSTART, "再生開始"),
    ENTRY(PR_PARAM3, "パラメータ3"),
    ENTRY(PR_ONMOUSEIN, "マウスイン"),
    ENTRY(PR_ONMAPIN, "マップイン"),
    ENTRY(PR_ONMAPOUT, "マップアウト"),
    ENTRY(PR_MAPSOURCE, "マップ"),
    ENTRY(PR_AMP, "振幅"),
    ENTRY(PR_WAVELEN, "波長"),
    ENTRY(PR_SCROLLX, "スクロールX"),
    ENTRY(PR_SCROLLY, "スクロールY"),
    ENTRY(PR_FLIPH, "横反転"),
    ENTRY(PR_FLIPV, "縦反転"),
    ENTRY(PR_ONIDLE, "アイドル"),
    ENTRY(PR_DISTANCEX, "横の間隔"),
    ENTRY(PR_DISTANCEY, "縦の間隔"),
    ENTRY(PR_CLIPLEFT, "クリップX"),
    ENTRY(PR_CLIPTOP, "クリップY"),
    ENTRY(PR_CLIPWIDTH, "クリップ幅"),
    ENTRY(PR_CLIPHEIGHT, "クリップ高さ"),
    ENTRY(PR_DURATION, "持続時間"),
    ENTRY(PR_THUMBSOURCE, "つまみ画像"),
    ENTRY(PR_BUTTONSOURCE, "ボタン画像"),
    ENTRY(PR_MIN, "最小値"),
    ENTRY(PR_MAX, "最大値"),
    ENTRY(PR_VALUE, "値"),
    ENTRY(PR_ORIENTATION, "方向"),
    ENTRY(PR_SMALLCHANGE, "変化量"),
    ENTRY(PR_LARGECHANGE, "大きい変化量"),
    ENTRY(PR_MAPTEXT, "マップテキスト"),
    ENTRY(PR_GLYPHWIDTH, "１個の幅"),
    ENTRY(PR_GLYPHHEIGHT, "１個の高さ"),
    ENTRY(PR_ZOOMY, "ズームY"),
    ENTRY(PR_CLICKEDSOURCE, "クリック後の画像"),
    ENTRY(PR_ANIPAUSED, "動画停止"),
    ENTRY(PR_ONHOLD, "ホールド"),
    ENTRY(PR_ONRELEASE, "リリース"),
    ENTRY(PR_REVERSE, "逆方向"),
    ENTRY(PR_PLAYING, "再生中"),
    ENTRY(PR_REWINDONLOAD, "ロード時巻き戻し"),
    ENTRY(PR_COMPOTYPE, "コンポーネントの種類"),
    ENTRY(PR_FONTSHADOWCOLOR, "フォントの影の色"),
    ENTRY(PR_FONTBORDER, "フォントの縁の幅"),
    ENTRY(PR_FONTSHADOW, "フォントの影の位置"),
    ENTRY(PR_ONKEYDOWN, "キーダウン"),
    ENTRY(PR_ONKEYUP, "キーアップ"),
    ENTRY(PR_ONKEYREPEAT, "キーリピート"),
    ENTRY(PR_HANDLEKEY, "キー処理"),
    ENTRY(PR_ONFOCUSIN, "フォーカスイン"),
    ENTRY(PR_ONFOCUSOUT, "フォーカスアウト"),
    ENTRY(PR_OVERLAY, "オーバーレイ"),
    ENTRY(PR_TAG, "タグ"),
    ENTRY(PR_CAPTURELINK, "マウス判定を\r\nリンク文字のみ"),
    ENTRY(PR_FONTHOVERBORDER, "マウスオーバー時の\r\nフォントの縁の幅"),
    ENTRY(PR_FONTHOVERBORDERCOLOR, "マウスオーバー時の\r\nフォントの縁の色"),
    ENTRY(PR_FONTHOVERSHADOW, "マウスオーバー時の\r\nフォントの影の位置"),
    ENTRY(PR_FONTHOVERSHADOWCOLOR, "マウスオーバー時の\r\nフォントの影の色"),
    ENTRY(PR_BARSIZE, "バーの長さ"),
    ENTRY(PR_MUTEONLOAD, "ロード時ミュート"),
};

constexpr Row kTransitionRows[] = {
    ENTRY(WP_NONE, "なし"),
    ENTRY(WP_FADE, "フェード"),
    ENTRY(WP_BLINDH, "ブラインド横"),
    ENTRY(WP_BLINDV, "ブラインド縦"),
    ENTRY(WP_CURTAINH, "カーテン横"),
    ENTRY(WP_CURTAINV, "カーテン縦"),
    ENTRY(WP_SCROLLH, "スクロール横"),
    ENTRY(WP_SCROLLV, "スクロール縦"),
    ENTRY(WP_GRID, "格子"),
    ENTRY(WP_GRIDH, "格子(横)"),
    ENTRY(WP_GRIDV, "格子(縦)"),
    ENTRY(WP_DITHER, "ディザ"),
    ENTRY(WP_WHITE, "ホワイト"),
    ENTRY(WP_BLACK, "ブラック"),
    ENTRY(WP_FLASH, "フラッシュ"),
    ENTRY(WP_MOSAIC, "モザイク"),
    ENTRY(WP_SUDAREH, "すだれ横"),
    ENTRY(WP_SUDAREV, "すだれ縦"),
    ENTRY(WP_SPOT, "スポットライト"),
    ENTRY(WP_MASKFADE, "マスクフェード"),
    ENTRY(WP_MASKWHITE, "マスクホワイト"),
    ENTRY(WP_MASKBLACK, "マスクブラック"),
    ENTRY(WP_SMALL, "表画面縮小"),
    ENTRY(WP_BIG, "裏画面拡大"),
    ENTRY(WP_RIPPLE, "波紋"),
    ENTRY(WP_BLURWHITE, "白ぼかし"),
    ENTRY(WP_BLURBLACK, "黒ぼかし"),
    ENTRY(WP_TWISTH, "ひねり横"),
    ENTRY(WP_TWISTV, "ひねり縦"),
    ENTRY(WP_CRACK, "チップ落下"),
    ENTRY(WP_ZOOMIN, "ズームイン"),
    ENTRY(WP_CLOCKHAND, "時計の針"),
};

constexpr Row kSystemVariableRows[] = {
    SYSVAR(Result),
    SYSVAR(LClick),
    SYSVAR(RClick),
    SYSVAR(LPush),
    SYSVAR(RPush),
    SYSVAR(MouseX),
    SYSVAR(MouseY),
    SYSVAR(TextDelay),
    SYSVAR(HistoryCount),
    SYSVAR(ParamCount),
    SYSVAR(ParamStr),
    SYSVAR(Sender),
    SYSVAR(ScrWidth),
    SYSVAR(ScrHeight),
    SYSVAR(TickCount),
    SYSVAR(PCTickCount),
    SYSVAR(UpdateCount),
    SYSVAR(Year),
    SYSVAR(Month),
    SYSVAR(Day),
    SYSVAR(Week),
    SYSVAR(Hour),
    SYSVAR(Min),
    SYSVAR(Sec),
    SYSVAR(Fonts),
    SYSVAR(FixedFonts),
    SYSVAR(FullScr),
    SYSVAR(Cursor),
    SYSVAR(SelStr),
    SYSVAR(SelIndex),
    SYSVAR(Pi),
    SYSVAR(CGDither),
    SYSVAR(1Hour),
    SYSVAR(1Min),
    SYSVAR(1Sec),
    SYSVAR(KeyPush),
    SYSVAR(KeyClick),
    SYSVAR(DisplayModeCount),
    SYSVAR(DisplayModeIndex),
    SYSVAR(Title),
    SYSVAR(SoundON),
    SYSVAR(ActiveCompo),
    SYSVAR(KeyRepeat),
    SYSVAR(HistoryMaxCount),
    SYSVAR(Temp),
    SYSVAR(MidiPort),
    SYSVAR(MidiPorts),
    SYSVAR(WheelDown),
    SYSVAR(WheelUp),
};

constexpr Row kSystemFunctionRows[] = {
    FUNC(IntToStr),
    FUNC(IntToHex),
    FUNC(GetProp),
    FUNC(SetProp),
    FUNC(GetArraySize),
    FUNC(Length),
    FUNC(JLength),
    FUNC(Copy),
    FUNC(JCopy),
    FUNC(Delete),
    FUNC(JDelete),
    FUNC(Insert),
    FUNC(JInsert),
    FUNC(CompareStr),
    FUNC(CompareText),
    FUNC(Pos),
    FUNC(JPos),
    FUNC(Trim),
    FUNC(JTrim),
    FUNC(Exists),
    FUNC(Not),
    FUNC(SetArray),
    FUNC(FillMem),
    FUNC(CopyMem),
    FUNC(GetCheck),
    FUNC(SetCheck),
    FUNC(Random),
    FUNC(GetSaveCaption),
    FUNC(ArrayToString),
    FUNC(StringToArray),
    FUNC(IndexOfStr),
    FUNC(SortStr),
    FUNC(ListCompo),
    FUNC(ToClientX),
    FUNC(ToClientY),
    FUNC(ToScreenX),
    FUNC(ToScreenY),
    FUNC(Int),
    FUNC(Float),
    FUNC(Sin),
    FUNC(Cos),
    FUNC(Tan),
    FUNC(ArcSin),
    FUNC(ArcCos),
    FUNC(ArcTan),
    FUNC(ArcTan2),
    FUNC(Hypot),
    FUNC(IndexOfMenu),
    FUNC(Abs),
    FUNC(Fabs),
    FUNC(VarExists),
    FUNC(EncodeDate),
    FUNC(EncodeTime),
    FUNC(DecodeDate),
    FUNC(DecodeTime),
    FUNC(GetYear),
    FUNC(GetMonth),
    FUNC(GetDay),
    FUNC(GetHour),
    FUNC(GetMin),
    FUNC(GetSec),
    FUNC(GetWeek),
    FUNC(GetWeekStr),
    FUNC(GetWeekJStr),
    FUNC(FixStr),
    FUNC(GetDisplayMode),
    FUNC(AddArray),
    FUNC(InsertArray),
    FUNC(DeleteArray),
    FUNC(InPrimary),
    FUNC(CopyArray),
    FUNC(FileExists),
    FUNC(LoadTextFile),
    FUNC(LowerCase),
    FUNC(UpperCase),
    FUNC(ExtractFilePath),
    FUNC(ExtractFileName),
    FUNC(ExtractFileExt),
    FUNC(IsPathDelimiter),
    FUNC(AddBackSlash),
    FUNC(ChangeFileExt),
    FUNC(IsDelimiter),
    FUNC(StringOfChar),
    FUNC(StringReplace),
    FUNC(AssignTemp),
    FUNC(HanToZen),
    FUNC(ZenToHan),
    FUNC(DBCreateTable),
    FUNC(DBSetActive),
    FUNC(DBAddField),
    FUNC(DBSetRecNo),
    FUNC(DBInsert),
    FUNC(DBDelete),
    FUNC(DBGetInt),
    FUNC(DBSetInt),
    FUNC(DBGetFloat),
    FUNC(DBSetFloat),
    FUNC(DBGetBool),
    FUNC(DBSetBool),
    FUNC(DBGetStr),
    FUNC(DBSetStr),
    FUNC(DBRecordCount),
    FUNC(DBFindFirst),
    FUNC(DBFindLast),
    FUNC(DBFindNext),
    FUNC(DBFindPrior),
    FUNC(DBLocate),
    FUNC(DBLoadTsvFile),
    FUNC(DBDirectGetInt),
    FUNC(DBDirectSetInt),
    FUNC(DBDirectGetFloat),
    FUNC(DBDirectSetFloat),
    FUNC(DBDirectGetBool),
    FUNC(DBDirectSetBool),
    FUNC(DBDirectGetStr),
    FUNC(DBDirectSetStr),
    FUNC(DBCopyTable),
    FUNC(DBDeleteTable),
    FUNC(DBInsertTable),
    FUNC(DBCopy),
    FUNC(DBClearTable),
    FUNC(DBSort),
    FUNC(DBGetActive),
    FUNC(DBGetRecNo),
    FUNC(DBClearRecord),
    FUNC(SetWallPaper),
    FUNC(Min),
    FUNC(Max),
    FUNC(Fmin),
    FUNC(Fmax),
    FUNC(GetVarType),
    FUNC(GetEnabled),
    FUNC(SetEnabled),
    FUNC(AddDelimiter),
    FUNC(ListSaveCaption),
    FUNC(OpenUrl),
};

constexpr Row kKeyRows[] = {
    NAMED(VkmBACK),   NAMED(VkmTAB),      NAMED(VkmRETURN),  NAMED(VkmSHIFT),     NAMED(VkmCONTROL),
    NAMED(VkmALT),    NAMED(VkmPAUSE),    NAMED(VkmCAPITAL), NAMED(VkmESCAPE),    NAMED(VkmSPACE),
    NAMED(VkmPAGEUP), NAMED(VkmPAGEDOWN), NAMED(VkmEND),     NAMED(VkmHOME),      NAMED(VkmLEFT),
    NAMED(VkmUP),     NAMED(VkmRIGHT),    NAMED(VkmDOWN),    NAMED(VkmINSERT),    NAMED(VkmDELETE),
    NAMED(Vkm0),      NAMED(Vkm1),        NAMED(Vkm2),       NAMED(Vkm3),         NAMED(Vkm4),
    NAMED(Vkm5),      NAMED(Vkm6),        NAMED(Vkm7),       NAMED(Vkm8),         NAMED(Vkm9),
    NAMED(VkmA),      NAMED(VkmB),        NAMED(VkmC),       NAMED(VkmD),         NAMED(VkmE),
    NAMED(VkmF),      NAMED(VkmG),        NAMED(VkmH),       NAMED(VkmI),         NAMED(VkmJ),
    NAMED(VkmK),      NAMED(VkmL),        NAMED(VkmM),       NAMED(VkmN),         NAMED(VkmO),
    NAMED(VkmP),      NAMED(VkmQ),        NAMED(VkmR),       NAMED(VkmS),         NAMED(VkmT),
    NAMED(VkmU),      NAMED(VkmV),        NAMED(VkmW),       NAMED(VkmX),         NAMED(VkmY),
    NAMED(VkmZ),      NAMED(VkmF1),       NAMED(VkmF2),      NAMED(VkmF3),        NAMED(VkmF4),
    NAMED(VkmF5),     NAMED(VkmF6),       NAMED(VkmF7),      NAMED(VkmF8),        NAMED(VkmF9),
    NAMED(VkmF10),    NAMED(VkmF11),      NAMED(VkmF12),     NAMED(VkmWheelDown), NAMED(VkmWheelUp),
};

constexpr Row kFontStyleFlagRows[] = {
    ENTRY(FS_BOLD, "太字"),
    ENTRY(FS_ITALIC, "斜体"),
    ENTRY(FS_UNDERLINE, "下線"),
    ENTRY(FS_STRIKEOUT, "抹消線"),
};

constexpr Row kHorizontalAlignmentRows[] = {
    ENTRY(HA_LEFT, "左寄せ"),
    ENTRY(HA_CENTER, "中央寄せ"),
    ENTRY(HA_RIGHT, "右寄せ"),
};

constexpr Row kVerticalAlignmentRows[] = {
    ENTRY(VA_TOP, "上寄せ"),
    ENTRY(VA_CENTER, "中央寄せ"),
    ENTRY(VA_BOTTOM, "下寄せ"),
};

constexpr Row kPlayModeRows[] = {
    NAMED(LP_PLAY),
    NAMED(LP_PLAYFADE),
    NAMED(LP_STOP),
    NAMED(LP_STOPFADE),
};

constexpr Row kParticleMotionRows[] = {
    ENTRY(PM_NONE, "停止"),          ENTRY(PM_SNOW, "ゆらゆら落下"), ENTRY(PM_STAR, "放射"),
    ENTRY(PM_FLUFF, "ゆらゆら上昇"), ENTRY(PM_TWISTER, "竜巻"),
};

constexpr Row kInputIgnoreModeRows[] = {
    ENTRY(IM_NONE, "通常"),
    ENTRY(IM_ALL, "全て無視"),
    ENTRY(IM_CLICK, "クリックを無視"),
    ENTRY(IM_LCLICK, "左クリックを無視"),
    ENTRY(IM_RCLICK, "右クリックを無視"),
};

constexpr Row kOrientationRows[] = {
    ENTRY(OT_HORIZONTAL, "水平"),
    ENTRY(OT_VERTICAL, "垂直"),
};

constexpr Row kMotionEasingRows[] = {
    ENTRY(MT_NORMAL, "通常"),
    ENTRY(MT_INC, "加速"),
    ENTRY(MT_DEC, "減速"),
};

constexpr Row kValueTypeRows[] = {
    ENTRY(PT_NONE, ""),       ENTRY(PT_INT, "整数"),   ENTRY(PT_FLOAT, "実数"),
    ENTRY(PT_BOOL, "フラグ"), ENTRY(PT_STR, "文字列"),
};

constexpr Row kFlipPlacementRows[] = {
    ENTRY(FL_OUT, "指定サーフェスを裏に"),
    ENTRY(FL_STAY, "指定サーフェスを表に"),
};

constexpr Row kSystemPromptRows[] = {
    ENTRY(CHANGEMEDIA, "ディスク入替(ディスク番号を%dで記述)"),
    ENTRY(EXIT, "終了確認"),
};

// Variable scopes, ids 0 to 3.
constexpr VocabEntry kVariableScopes[] = {
    {nullptr, "グローバル"},
    {nullptr, "自動破棄"},
    {nullptr, "ローカル"},
    {nullptr, "ステータス"},
};

// Wallpaper placements, ids 0 to 2.
constexpr VocabEntry kWallpaperPlacements[] = {
    {nullptr, "中央に表示"},
    {nullptr, "拡大して表示"},
    {nullptr, "並べて表示"},
};

#undef COMMAND
#undef ENTRY
#undef NAMED
#undef SYSVAR
#undef FUNC

constexpr auto kCommands = Entries(kCommandRows);
constexpr auto kCommandClasses = ClassNames(kCommandRows);
constexpr auto kOperators = Entries(kOperatorRows);
constexpr auto kComponentKinds = Entries(kComponentKindRows);
constexpr auto kProperties = Entries(kPropertyRows);
constexpr auto kTransitions = Entries(kTransitionRows);
constexpr auto kSystemVariables = Entries(kSystemVariableRows);
constexpr auto kSystemFunctions = Entries(kSystemFunctionRows);
constexpr auto kKeys = Entries(kKeyRows);
constexpr auto kFontStyleFlags = Entries(kFontStyleFlagRows);
constexpr auto kHorizontalAlignments = Entries(kHorizontalAlignmentRows);
constexpr auto kVerticalAlignments = Entries(kVerticalAlignmentRows);
constexpr auto kPlayModes = Entries(kPlayModeRows);
constexpr auto kParticleMotions = Entries(kParticleMotionRows);
constexpr auto kInputIgnoreModes = Entries(kInputIgnoreModeRows);
constexpr auto kOrientations = Entries(kOrientationRows);
constexpr auto kMotionEasings = Entries(kMotionEasingRows);
constexpr auto kValueTypes = Entries(kValueTypeRows);
constexpr auto kFlipPlacements = Entries(kFlipPlacementRows);
constexpr auto kSystemPrompts = Entries(kSystemPromptRows);

static_assert(kCommands.size() == kCommandCount);
static_assert(kOperators.size() == kOperatorCount);
static_assert(kComponentKinds.size() == kComponentKindCount);
static_assert(kProperties.size() == kPropertyCount);
static_assert(kTransitions.size() == kTransitionCount);
static_assert(kSystemVariables.size() == kSystemVariableCount);
static_assert(kSystemFunctions.size() == kSystemFunctionCount);
static_assert(kKeys.size() == kKeyCount);
static_assert(kFontStyleFlags.size() == kFontStyleFlagCount);
static_assert(kHorizontalAlignments.size() == kHorizontalAlignmentCount);
static_assert(kVerticalAlignments.size() == kVerticalAlignmentCount);
static_assert(kPlayModes.size() == kPlayModeCount);
static_assert(kParticleMotions.size() == kParticleMotionCount);
static_assert(kInputIgnoreModes.size() == kInputIgnoreModeCount);
static_assert(kOrientations.size() == kOrientationCount);
static_assert(kMotionEasings.size() == kMotionEasingCount);
static_assert(kValueTypes.size() == kValueTypeCount);
static_assert(kFlipPlacements.size() == kFlipPlacementCount);
static_assert(kSystemPrompts.size() == kSystemPromptCount);
static_assert(std::size(kVariableScopes) == kVariableScopeCount);
static_assert(std::size(kWallpaperPlacements) == kWallpaperPlacementCount);

// In Vocabulary order.
constexpr std::span<const VocabEntry> kTables[] = {
    kCommands,
    kOperators,
    kComponentKinds,
    kProperties,
    kTransitions,
    kSystemVariables,
    kSystemFunctions,
    kKeys,
    kFontStyleFlags,
    kHorizontalAlignments,
    kVerticalAlignments,
    kPlayModes,
    kParticleMotions,
    kInputIgnoreModes,
    kOrientations,
    kMotionEasings,
    kValueTypes,
    kFlipPlacements,
    kSystemPrompts,
    kVariableScopes,
    kWallpaperPlacements,
};
static_assert(std::size(kTables) == kVocabularyCount);

// CP932 captions, one vector per table, filled the first time that table is
// asked for. Both members are constant-initialised, so the cache is ready
// before any static constructor could call in.
struct Cp932Captions {
  std::once_flag once;
  std::vector<std::string> captions;
};
Cp932Captions g_cp932[kVocabularyCount];

}  // namespace

std::span<const VocabEntry> Commands() {
  return kCommands;
}
std::span<const VocabEntry> Operators() {
  return kOperators;
}
std::span<const VocabEntry> ComponentKinds() {
  return kComponentKinds;
}
std::span<const VocabEntry> Properties() {
  return kProperties;
}
std::span<const VocabEntry> Transitions() {
  return kTransitions;
}
std::span<const VocabEntry> SystemVariables() {
  return kSystemVariables;
}
std::span<const VocabEntry> SystemFunctions() {
  return kSystemFunctions;
}
std::span<const VocabEntry> Keys() {
  return kKeys;
}
std::span<const VocabEntry> FontStyleFlags() {
  return kFontStyleFlags;
}
std::span<const VocabEntry> HorizontalAlignments() {
  return kHorizontalAlignments;
}
std::span<const VocabEntry> VerticalAlignments() {
  return kVerticalAlignments;
}
std::span<const VocabEntry> PlayModes() {
  return kPlayModes;
}
std::span<const VocabEntry> ParticleMotions() {
  return kParticleMotions;
}
std::span<const VocabEntry> InputIgnoreModes() {
  return kInputIgnoreModes;
}
std::span<const VocabEntry> Orientations() {
  return kOrientations;
}
std::span<const VocabEntry> MotionEasings() {
  return kMotionEasings;
}
std::span<const VocabEntry> ValueTypes() {
  return kValueTypes;
}
std::span<const VocabEntry> FlipPlacements() {
  return kFlipPlacements;
}
std::span<const VocabEntry> SystemPrompts() {
  return kSystemPrompts;
}
std::span<const VocabEntry> VariableScopes() {
  return kVariableScopes;
}
std::span<const VocabEntry> WallpaperPlacements() {
  return kWallpaperPlacements;
}

std::span<const VocabEntry> Table(Vocabulary which) {
  const int index = static_cast<int>(which);
  if (index < 0 || index >= kVocabularyCount) return {};
  return kTables[index];
}

const VocabEntry* EntryAt(std::span<const VocabEntry> table, int id) {
  if (id < 0 || static_cast<std::size_t>(id) >= table.size()) return nullptr;
  return &table[static_cast<std::size_t>(id)];
}

const char* CommandClassName(int id) {
  if (id < 0 || id >= kCommandCount) return nullptr;
  return kCommandClasses[static_cast<std::size_t>(id)];
}

std::string_view CaptionCp932(Vocabulary which, int id) {
  const std::span<const VocabEntry> table = Table(which);
  const VocabEntry* entry = EntryAt(table, id);
  if (entry == nullptr || entry->caption == nullptr) return {};
  Cp932Captions& cache = g_cp932[static_cast<int>(which)];
  std::call_once(cache.once, [&] {
    cache.captions.reserve(table.size());
    for (const VocabEntry& e : table) {
      cache.captions.push_back(e.caption ? platform::Utf8ToCp932(e.caption) : std::string());
    }
  });
  return cache.captions[static_cast<std::size_t>(id)];
}

int FindByName(std::span<const VocabEntry> table, std::string_view name) {
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (table[i].name != nullptr && name == table[i].name) return static_cast<int>(i);
  }
  return -1;
}

int FindByNameIgnoreCase(std::span<const VocabEntry> table, std::string_view name) {
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (table[i].name != nullptr && EqualsIgnoreAsciiCase(name, table[i].name)) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

}  // namespace vesk::lang
