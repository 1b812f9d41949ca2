// Every text the user sees, in code page 936 (the build compiles narrow
// literals with -fexec-charset=GBK, so these bytes are the program's own).
#pragma once

namespace texts {
constexpr const char* kMessageCaption = "信息：";
constexpr const char* kInputCaptionDefault = "请输入：";
constexpr const char* kInputOk = "确认输入(&O)";
constexpr const char* kInputCancel = "取消(&C)";
constexpr const char* kInputFont = "宋体";

constexpr const char* kLimitInitial = "1";
constexpr const char* kLimitHint = "默认1分钟,输入几就是几分钟";
constexpr const char* kLimitLabel = "输入锁定时间以分钟为单位\r\n";
constexpr const char* kPasswordInitial = "480957";
constexpr const char* kPasswordLabel = "输入锁屏密码，默认密码论坛查看";
constexpr const char* kCustomPicture = "自定义图片";
constexpr const char* kTestButton = "测试按钮";

constexpr const char* kTrayTop = "托盘";
constexpr const char* kMenuMain = "主界面";
constexpr const char* kMenuUnlock = "解锁";
constexpr const char* kMenuAbout = "关于程序";
constexpr const char* kMenuClose = "关闭程序";
constexpr const char* kTrayTooltip = "Vennet";

constexpr const char* kCaptionNoTarget = "TolvaneVarnik制作。当前状态：等待选中窗口";
constexpr const char* kCaptionWaiting = "TolvaneVarnik制作。当前状态：等待判断离开";

constexpr const char* kNotLocked = "还还未锁定";
constexpr const char* kPromptPassword = "请输入密码";
constexpr const char* kPromptTitle = "Vennet";
constexpr const char* kLockedNoMain = "已经锁定程序，请解锁后进入主界面！！！";
constexpr const char* kUnlockBeforeClose = "请解锁后关闭程序";
constexpr const char* kForcedClose = "强行关闭将退出锁定软件！！";
constexpr const char* kAbout = "";
constexpr const char* kPickedPrefix = "当前选中的程序为：";
constexpr const char* kPickedHandle = "\r\n窗口句柄：";

// The forum page that "关于程序" opens in the browser.
constexpr const char* kBrowser = "iexplore.exe";
constexpr const char* kForumAddress = "https://forum.vennet.invalid/";
}  // namespace texts
