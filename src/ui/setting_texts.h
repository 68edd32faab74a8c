// The fixed texts the chip menu and the settings dialog both show, in value
// order: placement 0..6, alignment 0..2, sizing mode 10008 and 10009.
#pragma once

inline constexpr const char* kPlacementTexts[] = {
    "左上", "右上", "左下", "右下", "タイルだよン", "小片にﾌｨｯﾄ", "小片にﾌｨｯﾄ(ｱｽﾍﾟｸﾄ比保持)",
};
inline constexpr const char* kAlignTexts[] = {"左寄せ", "中央", "右寄せ"};
inline constexpr const char* kSizingTexts[] = {"画像で再計算", "文字で再計算"};
