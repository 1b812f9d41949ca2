#include "app/forms.h"

#include "app/texts.h"

using C = ControlName;
using K = ControlKind;

const ControlForm kMainWindowControls[kControlCount] = {
    {K::Timer, C::时钟1, 8, 184, 48, 40, nullptr, false, false},
    {K::Edit, C::编辑框2, 144, 176, 96, 48, texts::kLimitInitial, true, true},
    {K::Label, C::输入锁定时间以分钟为单位1, 143, 144, 282, 32, texts::kLimitHint, true, false},
    {K::Label, C::输入锁定时间以分钟为单位, 144, 112, 272, 38, texts::kLimitLabel, true, false},
    {K::Edit, C::编辑框1, 139, 32, 232, 56, texts::kPasswordInitial, true, true},
    {K::Label, C::标签1, 136, 8, 328, 24, texts::kPasswordLabel, true, false},
    {K::CommonDialog, C::通用对话框1, 96, 152, 32, 24, nullptr, false, false},
    {K::Button, C::按钮2, 0, 136, 80, 48, texts::kCustomPicture, false, true},
    {K::PictureBox, C::图片框1, 1, 1, 128, 128, nullptr, true, false},
    {K::Button, C::按钮1, 448, 160, 96, 72, texts::kTestButton, true, true},
};

const ControlForm& controlForm(ControlName name) {
    return kMainWindowControls[static_cast<int>(name)];
}

Place centredPlace(int screenWidth, int screenHeight, int width, int height) {
    return {(screenWidth - width) / 2, (screenHeight - height) / 2};
}

const MenuItemForm kTrayMenuItems[kMenuItemCount] = {
    {MenuItemName::主界面, texts::kMenuMain},
    {MenuItemName::解锁, texts::kMenuUnlock},
    {MenuItemName::关于程序, texts::kMenuAbout},
    {MenuItemName::关闭程序, texts::kMenuClose},
};
