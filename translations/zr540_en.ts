<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>CloudSyncWidget</name>
    <message>
        <source>云同步：</source>
        <translation>Cloud sync:</translation>
    </message>
    <message>
        <source>上传该设置，将保存到我的云共享
</source>
        <translation>Upload these settings to your cloud storage
</translation>
    </message>
    <message>
        <source>上传当前设置</source>
        <translation>Upload settings</translation>
    </message>
    <message>
        <source>下载云端设置，将覆盖当前设置
</source>
        <translation>Download the cloud settings over the current ones
</translation>
    </message>
    <message>
        <source>下载云端设置</source>
        <translation>Download settings</translation>
    </message>
    <message>
        <source>个人信息：</source>
        <translation>Account:</translation>
    </message>
    <message>
        <source>修改密码：</source>
        <translation>Change password:</translation>
    </message>
    <message>
        <source>旧密码</source>
        <translation>Old password</translation>
    </message>
    <message>
        <source>新密码</source>
        <translation>New password</translation>
    </message>
    <message>
        <source>再次输入新密码</source>
        <translation>New password again</translation>
    </message>
    <message>
        <source>完成</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>两次输入的密码不一致</source>
        <translation>The two passwords differ</translation>
    </message>
    <message>
        <source>修改密码中</source>
        <translation>Changing the password</translation>
    </message>
    <message>
        <source>密码错误</source>
        <translation>Wrong password</translation>
    </message>
</context>
<context>
    <name>DrawDialog</name>
    <message>
        <source>OLED显示</source>
        <translation>OLED display</translation>
    </message>
    <message>
        <source>切换背景</source>
        <translation>Invert</translation>
    </message>
    <message>
        <source>字体</source>
        <translation>Font</translation>
    </message>
    <message>
        <source>大小</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>KVAccountManage</name>
    <message>
        <source>Network Error, please try again later</source>
        <translation>Network Error, please try again later</translation>
    </message>
    <message>
        <source>Server error, please try again later</source>
        <translation>Server error, please try again later</translation>
    </message>
</context>
<context>
    <name>KeySettingDialog</name>
    <message>
        <source>组合键</source>
        <translation>Key combination</translation>
    </message>
    <message>
        <source>宏设置</source>
        <translation>Macro</translation>
    </message>
    <message>
        <source>基本功能</source>
        <translation>Functions</translation>
    </message>
    <message>
        <source>高级功能</source>
        <translation>PC actions</translation>
    </message>
    <message>
        <source>Ctrl</source>
        <translation>Ctrl</translation>
    </message>
    <message>
        <source>Alt</source>
        <translation>Alt</translation>
    </message>
    <message>
        <source>Shift</source>
        <translation>Shift</translation>
    </message>
    <message>
        <source>Win</source>
        <translation>Win</translation>
    </message>
    <message>
        <source>+</source>
        <translation>+</translation>
    </message>
    <message>
        <source>播放声音</source>
        <translation>Play a sound</translation>
    </message>
    <message>
        <source>浏览</source>
        <translation>Browse</translation>
    </message>
    <message>
        <source>启动程序</source>
        <translation>Start a program</translation>
    </message>
    <message>
        <source>打开文件</source>
        <translation>Open a file</translation>
    </message>
    <message>
        <source>打开目录</source>
        <translation>Open a folder</translation>
    </message>
    <message>
        <source>禁用按键</source>
        <translation>Disable button</translation>
    </message>
    <message>
        <source>恢复默认</source>
        <translation>Restore defaults</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>左键</source>
        <translation>Left button</translation>
    </message>
    <message>
        <source>中键</source>
        <translation>Middle button</translation>
    </message>
    <message>
        <source>右键</source>
        <translation>Right button</translation>
    </message>
    <message>
        <source>前进</source>
        <translation>Forward</translation>
    </message>
    <message>
        <source>后退</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>滚轮前滚</source>
        <translation>Wheel up</translation>
    </message>
    <message>
        <source>滚轮后滚</source>
        <translation>Wheel down</translation>
    </message>
    <message>
        <source>DPI+</source>
        <translation>DPI+</translation>
    </message>
    <message>
        <source>DPI-</source>
        <translation>DPI-</translation>
    </message>
    <message>
        <source>自定义键2</source>
        <translation>Custom 2</translation>
    </message>
    <message>
        <source>自定义键1</source>
        <translation>Custom 1</translation>
    </message>
    <message>
        <source>自定义键3</source>
        <translation>Custom 3</translation>
    </message>
    <message>
        <source>关闭窗口</source>
        <translation>Close window</translation>
    </message>
    <message>
        <source>锁定电脑</source>
        <translation>Lock computer</translation>
    </message>
    <message>
        <source>运行</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>显示桌面</source>
        <translation>Show desktop</translation>
    </message>
    <message>
        <source>进入经典桌面</source>
        <translation>Classic desktop</translation>
    </message>
    <message>
        <source>切换程序</source>
        <translation>Switch programs</translation>
    </message>
    <message>
        <source>放大屏幕</source>
        <translation>Zoom in</translation>
    </message>
    <message>
        <source>缩小屏幕</source>
        <translation>Zoom out</translation>
    </message>
    <message>
        <source>查找</source>
        <translation>Find</translation>
    </message>
    <message>
        <source>鼠标左键</source>
        <translation>Left click</translation>
    </message>
    <message>
        <source>鼠标右键</source>
        <translation>Right click</translation>
    </message>
    <message>
        <source>鼠标中键</source>
        <translation>Middle click</translation>
    </message>
    <message>
        <source>前进 </source>
        <translation>Forward </translation>
    </message>
    <message>
        <source>后退 </source>
        <translation>Back </translation>
    </message>
    <message>
        <source>播放器</source>
        <translation>Media player</translation>
    </message>
    <message>
        <source>音量减小</source>
        <translation>Volume down</translation>
    </message>
    <message>
        <source>音量加大</source>
        <translation>Volume up</translation>
    </message>
    <message>
        <source>静音</source>
        <translation>Mute</translation>
    </message>
    <message>
        <source>狙击键</source>
        <translation>Sniper</translation>
    </message>
    <message>
        <source>火力</source>
        <translation>Fire</translation>
    </message>
    <message>
        <source>设置%1</source>
        <translation>Set %1</translation>
    </message>
</context>
<context>
    <name>LightSettingWidget</name>
    <message>
        <source>设置背光效果：</source>
        <translation>Lighting effect:</translation>
    </message>
    <message>
        <source>滚轮灯</source>
        <translation>Wheel light</translation>
    </message>
    <message>
        <source>LOGO灯</source>
        <translation>Logo light</translation>
    </message>
    <message>
        <source>灯光常亮</source>
        <translation>Steady</translation>
    </message>
    <message>
        <source>呼吸模式</source>
        <translation>Breathing</translation>
    </message>
    <message>
        <source>光谱循环</source>
        <translation>Spectrum cycle</translation>
    </message>
    <message>
        <source>Apm呼吸模式</source>
        <translation>APM breathing</translation>
    </message>
    <message>
        <source>关闭灯光</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>Low</source>
        <translation>Low</translation>
    </message>
    <message>
        <source>Hight</source>
        <translation>High</translation>
    </message>
    <message>
        <source>Slow</source>
        <translation>Slow</translation>
    </message>
    <message>
        <source>Fast</source>
        <translation>Fast</translation>
    </message>
    <message>
        <source>选择在使用呼吸模式和灯光常亮效果时要使用的颜色：</source>
        <translation>Colour for the breathing and steady effects:</translation>
    </message>
    <message>
        <source>当前使用颜色：</source>
        <translation>Current colour:</translation>
    </message>
    <message>
        <source>预设灯光颜色：</source>
        <translation>Presets:</translation>
    </message>
    <message>
        <source>自定义灯光：</source>
        <translation>Custom colour:</translation>
    </message>
    <message>
        <source>Red:</source>
        <translation>Red:</translation>
    </message>
    <message>
        <source>0</source>
        <translation>0</translation>
    </message>
    <message>
        <source>Green:</source>
        <translation>Green:</translation>
    </message>
    <message>
        <source>Blue:</source>
        <translation>Blue:</translation>
    </message>
</context>
<context>
    <name>LoginAccount</name>
    <message>
        <source>Network Error, please try again later</source>
        <translation>Network Error, please try again later</translation>
    </message>
    <message>
        <source>Server error, please try again later</source>
        <translation>Server error, please try again later</translation>
    </message>
</context>
<context>
    <name>MacroEditWidget</name>
    <message>
        <source>宏选择：</source>
        <translation>Macros:</translation>
    </message>
    <message>
        <source>新建</source>
        <translation>New</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>事件列表：</source>
        <translation>Events:</translation>
    </message>
    <message>
        <source>+</source>
        <translation>+</translation>
    </message>
    <message>
        <source>-</source>
        <translation>-</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>开始录制</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>编辑：</source>
        <translation>Edit:</translation>
    </message>
    <message>
        <source>修改/插入一个键</source>
        <translation>Change/insert a key</translation>
    </message>
    <message>
        <source>修改/插入一个延时</source>
        <translation>Change/insert a delay</translation>
    </message>
    <message>
        <source>修改/插入鼠标位置</source>
        <translation>Change/insert a pointer position</translation>
    </message>
    <message>
        <source>X:</source>
        <translation>X:</translation>
    </message>
    <message>
        <source>Y:</source>
        <translation>Y:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>录制鼠标按键：</source>
        <translation>Mouse buttons:</translation>
    </message>
    <message>
        <source>在按下键时播放</source>
        <translation>Play while the button is held</translation>
    </message>
    <message>
        <source>循环次数：</source>
        <translation>Repeat:</translation>
    </message>
    <message>
        <source>使用指派按键功能切换开/关连续播放</source>
        <translation>The button turns continuous play on and off</translation>
    </message>
    <message>
        <source>忽略事件之间的延迟</source>
        <translation>Ignore the delays between events</translation>
    </message>
    <message>
        <source>新建宏</source>
        <translation>New macro</translation>
    </message>
    <message>
        <source>玩家自定义</source>
        <translation>Custom</translation>
    </message>
    <message>
        <source>录制结束</source>
        <translation>Stop</translation>
    </message>
</context>
<context>
    <name>MainSettingWidget</name>
    <message>
        <source>设置DPI（选7档）</source>
        <translation>DPI levels (7)</translation>
    </message>
    <message>
        <source>1</source>
        <translation>1</translation>
    </message>
    <message>
        <source>7000</source>
        <translation>7000</translation>
    </message>
    <message>
        <source>50</source>
        <translation>50</translation>
    </message>
    <message>
        <source>8000</source>
        <translation>8000</translation>
    </message>
    <message>
        <source>16000</source>
        <translation>16000</translation>
    </message>
    <message>
        <source>2</source>
        <translation>2</translation>
    </message>
    <message>
        <source>3</source>
        <translation>3</translation>
    </message>
    <message>
        <source>4</source>
        <translation>4</translation>
    </message>
    <message>
        <source>5</source>
        <translation>5</translation>
    </message>
    <message>
        <source>6</source>
        <translation>6</translation>
    </message>
    <message>
        <source>7</source>
        <translation>7</translation>
    </message>
    <message>
        <source>左键</source>
        <translation>Left button</translation>
    </message>
    <message>
        <source>前进</source>
        <translation>Forward</translation>
    </message>
    <message>
        <source>后退</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>自定义键1</source>
        <translation>Custom 1</translation>
    </message>
    <message>
        <source>自定义键2</source>
        <translation>Custom 2</translation>
    </message>
    <message>
        <source>自定义键3</source>
        <translation>Custom 3</translation>
    </message>
    <message>
        <source>右键</source>
        <translation>Right button</translation>
    </message>
    <message>
        <source>中键</source>
        <translation>Middle button</translation>
    </message>
    <message>
        <source>滚轮前滚</source>
        <translation>Wheel up</translation>
    </message>
    <message>
        <source>滚轮后滚</source>
        <translation>Wheel down</translation>
    </message>
    <message>
        <source>DPI+</source>
        <translation>DPI+</translation>
    </message>
    <message>
        <source>DPI-</source>
        <translation>DPI-</translation>
    </message>
    <message>
        <source>OLED显示</source>
        <translation>OLED display</translation>
    </message>
    <message>
        <source>Windows指针速度设置：</source>
        <translation>Pointer speed:</translation>
    </message>
    <message>
        <source>Slow</source>
        <translation>Slow</translation>
    </message>
    <message>
        <source>Fast</source>
        <translation>Fast</translation>
    </message>
    <message>
        <source>提高指针精确度</source>
        <translation>Enhance pointer precision</translation>
    </message>
    <message>
        <source>USB报告率： </source>
        <translation>USB report rate: </translation>
    </message>
    <message>
        <source>125Hz</source>
        <translation>125Hz</translation>
    </message>
    <message>
        <source>250Hz</source>
        <translation>250Hz</translation>
    </message>
    <message>
        <source>500Hz</source>
        <translation>500Hz</translation>
    </message>
    <message>
        <source>1000Hz</source>
        <translation>1000Hz</translation>
    </message>
    <message>
        <source>Sensor静默高度：</source>
        <translation>Lift-off distance:</translation>
    </message>
    <message>
        <source>Low</source>
        <translation>Low</translation>
    </message>
    <message>
        <source>High</source>
        <translation>High</translation>
    </message>
    <message>
        <source>Windows滚轮速度设置：</source>
        <translation>Wheel scrolling:</translation>
    </message>
    <message>
        <source>滚动滑轮一个齿轮格滚动：</source>
        <translation>One notch of the wheel scrolls:</translation>
    </message>
    <message>
        <source>一次按设置的行数滚动：</source>
        <translation>This many lines:</translation>
    </message>
    <message>
        <source>一次滚动一个屏幕</source>
        <translation>One screen at a time</translation>
    </message>
    <message>
        <source>灰色的设置由桌面系统自己的设置决定</source>
        <translation>Settings in grey follow your desktop's own settings</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>ZR540</source>
        <translation>ZR540</translation>
    </message>
    <message>
        <source>登录/注册</source>
        <translation>Log in / Register</translation>
    </message>
    <message>
        <source>100%</source>
        <translation>100%</translation>
    </message>
    <message>
        <source>主要设置</source>
        <translation>Main</translation>
    </message>
    <message>
        <source>灯光设置</source>
        <translation>Lighting</translation>
    </message>
    <message>
        <source>宏编辑</source>
        <translation>Macros</translation>
    </message>
    <message>
        <source>支持</source>
        <translation>Support</translation>
    </message>
    <message>
        <source>云同步</source>
        <translation>Cloud</translation>
    </message>
    <message>
        <source>配置1</source>
        <translation>Profile 1</translation>
    </message>
    <message>
        <source>配置2</source>
        <translation>Profile 2</translation>
    </message>
    <message>
        <source>配置3</source>
        <translation>Profile 3</translation>
    </message>
    <message>
        <source>配置4</source>
        <translation>Profile 4</translation>
    </message>
    <message>
        <source>配置5</source>
        <translation>Profile 5</translation>
    </message>
    <message>
        <source>恢复出厂设置</source>
        <translation>Factory reset</translation>
    </message>
    <message>
        <source>退出登录</source>
        <translation>Log out</translation>
    </message>
    <message>
        <source>显示主窗口</source>
        <translation>Show window</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>Warn</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>Only on instance is allowed. Close running application first.</source>
        <translation>Only one instance is allowed. Close the running application first.</translation>
    </message>
</context>
<context>
    <name>NeedDeviceDialog</name>
    <message>
        <source>设备检测中</source>
        <translation>Looking for the mouse</translation>
    </message>
    <message>
        <source>尚未检测到您的鼠标,正在检测中...
如若长时间没有响应,请重新插拔鼠标</source>
        <translation>Your mouse has not been found yet, still looking...
If nothing happens for a while, unplug the mouse and plug it in again</translation>
    </message>
    <message>
        <source>退出程序</source>
        <translation>Quit</translation>
    </message>
</context>
<context>
    <name>ProfileFileMenu</name>
    <message>
        <source>ZR540 配置文件 (*.zr540)</source>
        <translation>ZR540 profile files (*.zr540)</translation>
    </message>
    <message>
        <source>导出配置文件…</source>
        <translation>Export profile…</translation>
    </message>
    <message>
        <source>导入配置文件…</source>
        <translation>Import profile…</translation>
    </message>
    <message>
        <source>导出配置文件</source>
        <translation>Export profile</translation>
    </message>
    <message>
        <source>导入配置文件</source>
        <translation>Import profile</translation>
    </message>
    <message>
        <source>无法写入 %1。</source>
        <translation>%1 could not be written.</translation>
    </message>
    <message>
        <source>%1 不是可用的配置文件（已截断、被修改、过大或版本不同），没有做任何更改。</source>
        <translation>%1 is no usable profile file (cut short, altered, too large or of another version); nothing was changed.</translation>
    </message>
    <message>
        <source>无法保存配置%1。</source>
        <translation>Profile %1 could not be saved.</translation>
    </message>
</context>
<context>
    <name>RegisterAccount</name>
    <message>
        <source>Network Error</source>
        <translation>Network Error</translation>
    </message>
</context>
<context>
    <name>SupportWidget</name>
    <message>
        <source>驱动版本:V</source>
        <translation>Software version: V</translation>
    </message>
    <message>
        <source>固件版本:V0.0.0</source>
        <translation>Firmware version: V0.0.0</translation>
    </message>
    <message>
        <source>检查更新</source>
        <translation>Check for updates</translation>
    </message>
    <message>
        <source>感谢您使用ZR游戏设备，如果您需要任何信息或帮助，可以访问我们的</source>
        <translation>Thank you for using a ZR gaming device. For information or help, visit our</translation>
    </message>
    <message>
        <source>官方网站</source>
        <translation>website</translation>
    </message>
    <message>
        <source>。</source>
        <translation>.</translation>
    </message>
    <message>
        <source>驱动版本:V%1</source>
        <translation>Software version: V%1</translation>
    </message>
    <message>
        <source>固件版本:V%1.0.0</source>
        <translation>Firmware version: V%1.0.0</translation>
    </message>
</context>
<context>
    <name>UserDialog</name>
    <message>
        <source>登录</source>
        <translation>Log in</translation>
    </message>
    <message>
        <source>注册</source>
        <translation>Register</translation>
    </message>
    <message>
        <source>‹ 返回</source>
        <translation>‹ Back</translation>
    </message>
    <message>
        <source>邮箱</source>
        <translation>E-mail</translation>
    </message>
    <message>
        <source>密码</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>忘记密码？</source>
        <translation>Forgot password?</translation>
    </message>
    <message>
        <source>登 录</source>
        <translation>Log in</translation>
    </message>
    <message>
        <source>名字</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>再次输入密码</source>
        <translation>Password again</translation>
    </message>
    <message>
        <source>注 册</source>
        <translation>Register</translation>
    </message>
    <message>
        <source>忘记密码</source>
        <translation>Forgot password</translation>
    </message>
    <message>
        <source>为了保护账号安全，我们将发送一条验证码至邮箱</source>
        <translation>To keep your account safe, we will send a code to your e-mail</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>验证</source>
        <translation>Verify</translation>
    </message>
    <message>
        <source>请输入邮箱收到的验证码</source>
        <translation>Enter the code you received by e-mail</translation>
    </message>
    <message>
        <source>验证码</source>
        <translation>Code</translation>
    </message>
    <message>
        <source>没有收到验证码？</source>
        <translation>No code received?</translation>
    </message>
    <message>
        <source>上一步</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>重新设置密码</source>
        <translation>Set a new password</translation>
    </message>
    <message>
        <source>完成</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>两次输入的密码不一致</source>
        <translation>The two passwords differ</translation>
    </message>
    <message>
        <source>输入不能为空</source>
        <translation>Please fill in every field</translation>
    </message>
    <message>
        <source>请输入邮箱地址</source>
        <translation>Please enter your e-mail address</translation>
    </message>
    <message>
        <source>邮件发送中</source>
        <translation>Sending the e-mail</translation>
    </message>
    <message>
        <source>验证码不能为空</source>
        <translation>Please enter the code</translation>
    </message>
    <message>
        <source>两次输入密码不一致</source>
        <translation>The two passwords differ</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;body&gt;&lt;p style="margin:0px 0px 6px 0px;"&gt;1.邮箱地址不正确。&lt;/p&gt;&lt;p style="margin:0px 0px 6px 0px;"&gt;2.验证邮箱因为延迟等原因还没有发出。&lt;/p&gt;&lt;p style="margin:0px 0px 6px 0px;"&gt;3.验证邮箱被接收的邮箱服务器判断为垃圾邮件，自动转入到垃圾箱中，可以在垃圾箱查看是否有验证邮箱。&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;body&gt;&lt;p style="margin:0px 0px 6px 0px;"&gt;1. The e-mail address is wrong.&lt;/p&gt;&lt;p style="margin:0px 0px 6px 0px;"&gt;2. The e-mail has not been sent yet (it may be delayed).&lt;/p&gt;&lt;p style="margin:0px 0px 6px 0px;"&gt;3. Your mail server took it for spam and moved it to the spam folder: look there.&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;body&gt;&lt;p style="margin:0px;"&gt;如果以上方式都没能找到验证邮件，可以在验证界面点击重新 发送或者其他邮箱地址重新注册。&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;body&gt;&lt;p style="margin:0px;"&gt;If none of this finds the e-mail, send the code again on the code page, or register with another address.&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
</context>
<context>
    <name>WarningDialog</name>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>更新进行中，请稍后</source>
        <translation>Updating, please wait</translation>
    </message>
    <message>
        <source>恢复默认</source>
        <translation>Restore defaults</translation>
    </message>
    <message>
        <source>恢复默认将清空所有设置，您确定要恢复默认吗？</source>
        <translation>Restoring the defaults clears every setting. Restore the defaults?</translation>
    </message>
    <message>
        <source>版本更新</source>
        <translation>Update available</translation>
    </message>
    <message>
        <source>当前软件不是最新版本,请到官网下载最新版本</source>
        <translation>A newer version of this program is available on the official website</translation>
    </message>
    <message>
        <source>上传当前设置</source>
        <translation>Upload settings</translation>
    </message>
    <message>
        <source>上传会覆盖云端设置，是否确定上传？</source>
        <translation>Uploading replaces the settings in the cloud. Upload now?</translation>
    </message>
    <message>
        <source>退出登录</source>
        <translation>Log out</translation>
    </message>
    <message>
        <source>退出登录后参数将无法同步到个人账号，确定要退出吗？</source>
        <translation>After logging out, settings are no longer synced to your account. Log out?</translation>
    </message>
    <message>
        <source>下载云端设置</source>
        <translation>Download settings</translation>
    </message>
    <message>
        <source>下载云端设置会覆盖当前设置，是否确定下载？</source>
        <translation>Downloading replaces the current settings. Download now?</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>请保留至少一个键为“左键”功能</source>
        <translation>At least one button must keep the “left button” function</translation>
    </message>
    <message>
        <source>固件更新失败</source>
        <translation>Firmware update failed</translation>
    </message>
    <message>
        <source>请稍后重试</source>
        <translation>Please try again later</translation>
    </message>
    <message>
        <source>请登录</source>
        <translation>Please log in</translation>
    </message>
    <message>
        <source>您尚未登录！</source>
        <translation>You are not logged in!</translation>
    </message>
    <message>
        <source>固件版本</source>
        <translation>Firmware version</translation>
    </message>
    <message>
        <source>您的固件已是最新版本</source>
        <translation>Your firmware is up to date</translation>
    </message>
    <message>
        <source>上传失败</source>
        <translation>Upload failed</translation>
    </message>
    <message>
        <source>请检查网络后再重试</source>
        <translation>Check the network and try again</translation>
    </message>
    <message>
        <source>上传成功</source>
        <translation>Upload complete</translation>
    </message>
    <message>
        <source>您当前的设置已成功上传至云端</source>
        <translation>Your settings are now in the cloud</translation>
    </message>
    <message>
        <source>下载配置文件失败</source>
        <translation>Profile download failed</translation>
    </message>
    <message>
        <source>下载宏文件失败</source>
        <translation>Macro download failed</translation>
    </message>
    <message>
        <source>下载配置文件成功</source>
        <translation>Profiles downloaded</translation>
    </message>
    <message>
        <source>您的配置文件已更新</source>
        <translation>Your profiles have been updated</translation>
    </message>
    <message>
        <source>下载宏文件成功</source>
        <translation>Macros downloaded</translation>
    </message>
    <message>
        <source>您的宏文件已更新</source>
        <translation>Your macros have been updated</translation>
    </message>
    <message>
        <source>宏过长</source>
        <translation>Macro too long</translation>
    </message>
    <message>
        <source>宏事件过多，无法写入鼠标</source>
        <translation>The macro has too many events to fit in the mouse</translation>
    </message>
    <message>
        <source>官网下载</source>
        <translation>Download</translation>
    </message>
    <message>
        <source>残忍拒绝</source>
        <translation>Not now</translation>
    </message>
    <message>
        <source>固件已下载</source>
        <translation>Firmware downloaded</translation>
    </message>
    <message>
        <source>固件文件已保存在Update文件夹中，更新程序需在Windows上运行</source>
        <translation>The firmware file is kept in the Update folder. The updater runs on Windows.</translation>
    </message>
</context>
</TS>
