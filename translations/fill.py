#!/usr/bin/env python3
"""Fills translations/zr540_en.ts from the table below: scripts/translations runs lupdate on the
sources, then this. A text the table lacks stays unfinished (the translation test then fails).
Chinese is the source language; the table is keyed by the Chinese text (the same text means
the same thing in every form)."""
import sys
import xml.etree.ElementTree as ET

EN = {
    # windows, tabs, profile buttons
    "ZR540": "ZR540", "登录/注册": "Log in / Register", "100%": "100%",
    "主要设置": "Main", "灯光设置": "Lighting", "宏编辑": "Macros", "支持": "Support", "云同步": "Cloud",
    "配置1": "Profile 1", "配置2": "Profile 2", "配置3": "Profile 3", "配置4": "Profile 4", "配置5": "Profile 5",
    "恢复出厂设置": "Factory reset", "退出登录": "Log out", "显示主窗口": "Show window", "退出": "Quit",
    "Warn": "Warning",
    # profile files (the profile buttons' context menu)
    "ZR540 配置文件 (*.zr540)": "ZR540 profile files (*.zr540)",
    "导出配置文件…": "Export profile…", "导入配置文件…": "Import profile…",
    "导出配置文件": "Export profile", "导入配置文件": "Import profile",
    "无法写入 %1。": "%1 could not be written.",
    "%1 不是可用的配置文件（已截断、被修改、过大或版本不同），没有做任何更改。":
        "%1 is no usable profile file (cut short, altered, too large or of another version); nothing was changed.",
    "无法保存配置%1。": "Profile %1 could not be saved.",
    "Only on instance is allowed. Close running application first.":
        "Only one instance is allowed. Close the running application first.",
    # device dialog
    "设备检测中": "Looking for the mouse",
    "尚未检测到您的鼠标,正在检测中...\n如若长时间没有响应,请重新插拔鼠标":
        "Your mouse has not been found yet, still looking...\nIf nothing happens for a while, unplug the mouse and plug it in again",
    "退出程序": "Quit",
    # warnings
    "取消": "Cancel", "确定": "OK", "更新进行中，请稍后": "Updating, please wait",
    "恢复默认": "Restore defaults",
    "恢复默认将清空所有设置，您确定要恢复默认吗？": "Restoring the defaults clears every setting. Restore the defaults?",
    "版本更新": "Update available",
    "当前软件不是最新版本,请到官网下载最新版本": "A newer version of this program is available on the official website",
    "上传当前设置": "Upload settings",
    "上传会覆盖云端设置，是否确定上传？": "Uploading replaces the settings in the cloud. Upload now?",
    "下载云端设置": "Download settings",
    "下载云端设置会覆盖当前设置，是否确定下载？": "Downloading replaces the current settings. Download now?",
    "退出登录后参数将无法同步到个人账号，确定要退出吗？":
        "After logging out, settings are no longer synced to your account. Log out?",
    "提示": "Note", "请保留至少一个键为“左键”功能": "At least one button must keep the \u201cleft button\u201d function",
    "固件更新失败": "Firmware update failed", "请稍后重试": "Please try again later",
    "请登录": "Please log in", "您尚未登录！": "You are not logged in!",
    "固件版本": "Firmware version", "您的固件已是最新版本": "Your firmware is up to date",
    "上传失败": "Upload failed", "请检查网络后再重试": "Check the network and try again",
    "上传成功": "Upload complete", "您当前的设置已成功上传至云端": "Your settings are now in the cloud",
    "下载配置文件失败": "Profile download failed", "下载宏文件失败": "Macro download failed",
    "下载配置文件成功": "Profiles downloaded", "您的配置文件已更新": "Your profiles have been updated",
    "下载宏文件成功": "Macros downloaded", "您的宏文件已更新": "Your macros have been updated",
    "固件已下载": "Firmware downloaded",
    "固件文件已保存在Update文件夹中，更新程序需在Windows上运行":
        "The firmware file is kept in the Update folder. The updater runs on Windows.",
    "宏过长": "Macro too long", "宏事件过多，无法写入鼠标": "The macro has too many events to fit in the mouse",
    "官网下载": "Download", "残忍拒绝": "Not now",
    # main settings page
    "设置DPI（选7档）": "DPI levels (7)", "左键": "Left button", "前进": "Forward", "后退": "Back",
    "自定义键1": "Custom 1", "自定义键2": "Custom 2", "自定义键3": "Custom 3", "右键": "Right button",
    "中键": "Middle button", "滚轮前滚": "Wheel up", "滚轮后滚": "Wheel down", "DPI+": "DPI+", "DPI-": "DPI-",
    "OLED显示": "OLED display", "Windows指针速度设置：": "Pointer speed:", "Slow": "Slow", "Fast": "Fast",
    "提高指针精确度": "Enhance pointer precision", "USB报告率： ": "USB report rate: ",
    "125Hz": "125Hz", "250Hz": "250Hz", "500Hz": "500Hz", "1000Hz": "1000Hz",
    "Sensor静默高度：": "Lift-off distance:", "Low": "Low", "High": "High", "Hight": "High",
    "Windows滚轮速度设置：": "Wheel scrolling:", "滚动滑轮一个齿轮格滚动：": "One notch of the wheel scrolls:",
    "一次按设置的行数滚动：": "This many lines:", "一次滚动一个屏幕": "One screen at a time",
    "灰色的设置由桌面系统自己的设置决定": "Settings in grey follow your desktop's own settings",
    # key assignment dialog
    "组合键": "Key combination", "宏设置": "Macro", "基本功能": "Functions", "高级功能": "PC actions",
    "Ctrl": "Ctrl", "Alt": "Alt", "Shift": "Shift", "Win": "Win", "+": "+", "-": "-", "...": "...",
    "播放声音": "Play a sound", "浏览": "Browse", "启动程序": "Start a program", "打开文件": "Open a file",
    "打开目录": "Open a folder", "禁用按键": "Disable button", "设置%1": "Set %1",
    "关闭窗口": "Close window", "锁定电脑": "Lock computer", "运行": "Run", "显示桌面": "Show desktop",
    "进入经典桌面": "Classic desktop", "切换程序": "Switch programs", "放大屏幕": "Zoom in", "缩小屏幕": "Zoom out",
    "查找": "Find", "鼠标左键": "Left click", "鼠标右键": "Right click", "鼠标中键": "Middle click",
    "前进 ": "Forward ", "后退 ": "Back ", "播放器": "Media player", "音量减小": "Volume down",
    "音量加大": "Volume up", "静音": "Mute", "狙击键": "Sniper", "火力": "Fire",
    # lighting page
    "设置背光效果：": "Lighting effect:", "滚轮灯": "Wheel light", "LOGO灯": "Logo light", "灯光常亮": "Steady",
    "呼吸模式": "Breathing", "光谱循环": "Spectrum cycle", "Apm呼吸模式": "APM breathing", "关闭灯光": "Off",
    "选择在使用呼吸模式和灯光常亮效果时要使用的颜色：": "Colour for the breathing and steady effects:",
    "当前使用颜色：": "Current colour:", "预设灯光颜色：": "Presets:", "自定义灯光：": "Custom colour:",
    "Red:": "Red:", "Green:": "Green:", "Blue:": "Blue:",
    # macro editor
    "宏选择：": "Macros:", "新建": "New", "删除": "Delete", "事件列表：": "Events:", "开始录制": "Record",
    "录制结束": "Stop", "编辑：": "Edit:", "修改/插入一个键": "Change/insert a key",
    "修改/插入一个延时": "Change/insert a delay", "修改/插入鼠标位置": "Change/insert a pointer position",
    "X:": "X:", "Y:": "Y:", "OK": "OK", "录制鼠标按键：": "Mouse buttons:",
    "在按下键时播放": "Play while the button is held", "循环次数：": "Repeat:",
    "使用指派按键功能切换开/关连续播放": "The button turns continuous play on and off",
    "忽略事件之间的延迟": "Ignore the delays between events", "新建宏": "New macro", "玩家自定义": "Custom",
    # drawing board
    "切换背景": "Invert", "字体": "Font", "大小": "Size",
    # support page
    "驱动版本:V": "Software version: V", "固件版本:V0.0.0": "Firmware version: V0.0.0",
    "驱动版本:V%1": "Software version: V%1", "固件版本:V%1.0.0": "Firmware version: V%1.0.0",
    "检查更新": "Check for updates",
    "感谢您使用ZR游戏设备，如果您需要任何信息或帮助，可以访问我们的":
        "Thank you for using a ZR gaming device. For information or help, visit our",
    "官方网站": "website", "。": ".",
    # cloud page
    "云同步：": "Cloud sync:", "上传该设置，将保存到我的云共享\n": "Upload these settings to your cloud storage\n",
    "下载云端设置，将覆盖当前设置\n": "Download the cloud settings over the current ones\n",
    "个人信息：": "Account:", "修改密码：": "Change password:", "旧密码": "Old password", "新密码": "New password",
    "再次输入新密码": "New password again", "完成": "Done", "两次输入的密码不一致": "The two passwords differ",
    "修改密码中": "Changing the password", "密码错误": "Wrong password",
    # login dialog
    "登录": "Log in", "注册": "Register", "‹ 返回": "‹ Back", "邮箱": "E-mail", "密码": "Password",
    "忘记密码？": "Forgot password?", "登 录": "Log in", "名字": "Name", "再次输入密码": "Password again",
    "注 册": "Register", "忘记密码": "Forgot password",
    "为了保护账号安全，我们将发送一条验证码至邮箱": "To keep your account safe, we will send a code to your e-mail",
    "发送": "Send", "验证": "Verify", "请输入邮箱收到的验证码": "Enter the code you received by e-mail",
    "验证码": "Code", "没有收到验证码？": "No code received?", "上一步": "Back",
    "重新设置密码": "Set a new password", "输入不能为空": "Please fill in every field",
    "请输入邮箱地址": "Please enter your e-mail address", "邮件发送中": "Sending the e-mail",
    "验证码不能为空": "Please enter the code", "两次输入密码不一致": "The two passwords differ",
    # texts of the account client (written in English there)
    "Network Error, please try again later": "Network Error, please try again later",
    "Server error, please try again later": "Server error, please try again later",
    "Network Error": "Network Error",
}
# The notice page of the login dialog: rich text, translated paragraph by paragraph.
PARAGRAPHS = {
    "1.邮箱地址不正确。": "1. The e-mail address is wrong.",
    "2.验证邮箱因为延迟等原因还没有发出。": "2. The e-mail has not been sent yet (it may be delayed).",
    "3.验证邮箱被接收的邮箱服务器判断为垃圾邮件，自动转入到垃圾箱中，可以在垃圾箱查看是否有验证邮箱。":
        "3. Your mail server took it for spam and moved it to the spam folder: look there.",
    "如果以上方式都没能找到验证邮件，可以在验证界面点击重新 发送或者其他邮箱地址重新注册。":
        "If none of this finds the e-mail, send the code again on the code page, or register with another address.",
}


def translate(source):
    if source in EN:
        return EN[source]
    if source.startswith("<html>"):
        text = source
        for zh, en in PARAGRAPHS.items():
            text = text.replace(zh, en)
        return None if any(ord(ch) > 0x2E7F for ch in text) else text
    if source.strip().isdigit():
        return source
    return None


def main(path):
    tree = ET.parse(path)
    missing = 0
    for message in tree.getroot().iter("message"):
        source = message.find("source").text or ""
        translation = message.find("translation")
        english = translate(source)
        if english is None:
            missing += 1
            print("no English for: %r" % source, file=sys.stderr)
            continue
        translation.text = english
        translation.attrib.pop("type", None)
    body = ET.tostring(tree.getroot(), encoding="unicode")
    with open(path, "w", encoding="utf-8") as out:
        out.write('<?xml version="1.0" encoding="utf-8"?>\n<!DOCTYPE TS>\n' + body + "\n")
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "translations/zr540_en.ts"))
