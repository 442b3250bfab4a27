#pragma once
// The context label of every procedure that reports its own failures.

#include <string_view>

namespace tg::ContextLabels {

inline constexpr std::string_view Form_Load = "in Quirnel2021/08/31.Form1.Form_Load ";
inline constexpr std::string_view Form_QueryUnload = "in Quirnel2021/08/31.Form1.Form_QueryUnload ";
inline constexpr std::string_view PushButton1_Click =
    "in Quirnel2021/08/31.Form1.PushButton1_Click ";
inline constexpr std::string_view PushButton4_Click =
    "in Quirnel2021/08/31.Form1.PushButton4_Click ";
inline constexpr std::string_view Timer1 = "in Quirnel2021/08/31.Form1.Timer1 ";
inline constexpr std::string_view PushButton3_Click =
    "in Quirnel2021/08/31.Form1.PushButton3_Click ";
inline constexpr std::string_view PushButton5_Click =
    "in Quirnel2021/08/31.Form1.PushButton5_Click ";
inline constexpr std::string_view PushButton11_Click =
    "in Quirnel2021/08/31.Form1.PushButton11_Click ";
inline constexpr std::string_view PushButton12_Click =
    "in Quirnel2021/08/31.Form1.PushButton12_Click ";
inline constexpr std::string_view SaveAll = "in Quirnel2021/08/31.Calc.SaveAll ";

}  // namespace tg::ContextLabels
