// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/mainwindowlayout.h"

namespace vecardia {

namespace {

using enum ControlKind;

// The Part's layout; where it gives only a place, the size is ours.
constexpr ControlSpec kLayout[] = {
    {u"Text1", TextBox, 225, 105, 6495, 285},
    {u"Command1", Button, 6840, 67, 1170, 360, u"打开文件"},
    {u"Command4", Button, 8055, 60, 1170, 360, u"清空全部"},
    {u"Frame2", Frame, 180, 360, 9150, 600},
    {u"Label1", GapLabel, 1050, 255, 2520, 255, u"在                    查找：", u"Frame2"},
    {u"Combo1", DropDown, 1335, 195, 1605, 300, u"", u"Frame2"},
    {u"Text2", TextBox, 3555, 195, 2955, 315, u"", u"Frame2"},
    {u"Command2", Button, 6660, 165, 1170, 360, u"查找", u"Frame2"},
    {u"Command3", Button, 90, 135, 810, 375, u"全部", u"Frame2"},
    {u"Command8", Button, 7875, 165, 1170, 360, u"批量查找", u"Frame2"},
    {u"Label3", Label, 225, 990, 1700, 255, u"电话号码簿列表："},
    {u"Label2", Label, 1980, 990, 3000, 255, u"0条"},
    {u"ListView1", ContactList, 180, 1290, 9105, 7230},
    {u"Frame3", Frame, 9480, 30, 6090, 8475, u"编辑联系人信息"},
    {u"Label8", Label, 495, 8715, 1700, 255, u"卡舟软件制作"},
    {u"Label9", Label, 4980, 8715, 4400, 255, u"正在..."},
    {u"Label11", Label, 9495, 8715, 3000, 255, u"最新版本："},
    {u"List1", ListBox, 13000, 8715, 1200, 255},
};

} // namespace

std::span<const ControlSpec> mainWindowLayout()
{
    return kLayout;
}

} // namespace vecardia
