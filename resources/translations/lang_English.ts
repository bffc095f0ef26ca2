<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>MainWindow</name>
    <message>
        <source>%1 最新版本:%2
此版本更新内容:
%3
如果你需要更新此版本,请点击&quot;网络升级&quot;按钮</source>
        <translation>%1 Latest Version: %2
Update Content for this Version:
%3
If you need to update to this version, please click the &apos;Network Upgrade&apos; button</translation>
    </message>
    <message>
        <source>1.设备没正确连接问题请重新插拔设备再重试<byte value="xd"/></source>
        <translation>1.If there is an issue with the device not being properly connected, please unplug and replug the device and try again.
</translation>
    </message>
    <message>
        <source>2.工具路径问题请安装到非中文路径并且不带空格符号的路径下面再重试.</source>
        <translation>If the issue is related to the tool path, please install it in a path that does not contain Chinese characters or spaces, and try again.</translation>
    </message>
    <message>
        <source>2.请暂时关闭电脑上的音乐播放软件或者其他有音乐输出的软件，避免升级过程还在播放音乐.<byte value="xd"/></source>
        <translation>2.Please temporarily close any music playback software or other applications that output audio on your computer to avoid playing music during the upgrade process.
</translation>
    </message>
    <message>
        <source>3.升级开始后, 请勿关闭软件或断开设备连接!如果发生错误, 请重新插拔设备再升级.</source>
        <translation>3. After the upgrade starts, do not close the software or disconnect the device! If an error occurs, please unplug and replug the device and try the upgrade again.</translation>
    </message>
    <message>
        <source>[当前固件版本:%1]</source>
        <translation>[Current Firmware Version: %1]</translation>
    </message>
    <message>
        <source>[当前固件版本:%1]
</source>
        <translation>[Current Firmware Version: %1]
</translation>
    </message>
    <message>
        <source>下载最新固件
当前下载进度:%1%</source>
        <translation>Downloading the latest firmware...
Current download progress: %1%</translation>
    </message>
    <message>
        <source>升级出错,请重新插拔设备,重启软件再升级!</source>
        <translation>Upgrade error, please re-plug the device, restart the software and try the upgrade again!</translation>
    </message>
    <message>
        <source>升级发生了错误,可能是设备没正确连接或者工具路径问题.<byte value="xd"/></source>
        <translation>The upgrade encountered an error, which may be due to the device not being properly connected or an issue with the tool path.
</translation>
    </message>
    <message>
        <source>升级完毕!</source>
        <translation>Upgrade Complete!</translation>
    </message>
    <message>
        <source>升级开始,请勿关闭软件或断开设备连接!如果发生错误,请重新插拔设备再升级.</source>
        <translation>Upgrade has started, please do not close the software or disconnect the device! If an error occurs, please re-plug the device before attempting the upgrade again.</translation>
    </message>
    <message>
        <source>升级注意:<byte value="xd"/>1.USB 线直接连接电脑和解码设备，中间不要加 USB 集线器或者其他设备.<byte value="xd"/></source>
        <translation>Upgrade Notice:
1.Connect the USB cable directly between the computer and the decoder device. Do not use a USB hub or any other intermediate device.
</translation>
    </message>
    <message>
        <source>升级进度</source>
        <translation>Progress</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>固件下载完毕,开始升级.</source>
        <translation>Firmware download complete, starting the upgrade.</translation>
    </message>
    <message>
        <source>固件地址</source>
        <translation>Path</translation>
    </message>
    <message>
        <source>固件已经存在,开始升级.</source>
        <translation>Firmware already exists, starting the upgrade.</translation>
    </message>
    <message>
        <source>固件更新中,请等待设备自动升级.....</source>
        <translation>Firmware updating, please wait for the device to upgrade automatically.....</translation>
    </message>
    <message>
        <source>固件版本</source>
        <translation>Firmware Version</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Prompt</translation>
    </message>
    <message>
        <source>数据下载完毕,等待设备重启.....请稍候!</source>
        <translation>Data download complete, waiting for device to restart... Please wait!</translation>
    </message>
    <message>
        <source>本地升级</source>
        <translation>Upgrade</translation>
    </message>
    <message>
        <source>正在升级中,请勿关闭软件!</source>
        <translation>Upgrading, please do not close the software!</translation>
    </message>
    <message>
        <source>此设备支持Peq设置,点击下载Peq设置工具</source>
        <translation>This device supports Peq settings. Click to download Tool</translation>
    </message>
    <message>
        <source>此设备无最新的固件</source>
        <translation>This device has no latest firmware.</translation>
    </message>
    <message>
        <source>注意:检测到有多个相同ID值的设备,为防止升级错误,请先拔除再升级!</source>
        <translation>Warning: Multiple devices with the same ID value have been detected. To prevent upgrade errors, please disconnect them before upgrading!</translation>
    </message>
    <message>
        <source>注意:选择的固件可能不是设备的升级固件,
继续升级可能会导致错误,设备无法启动, 是否继续升级?</source>
        <translation>Warning: The selected firmware may not be the upgrade firmware for the device.
Continuing the upgrade may cause errors and the device may fail to boot. Do you want to continue with the upgrade?</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>确定要升级本固件吗?</source>
        <translation>Are you sure you want to upgrade this firmware?</translation>
    </message>
    <message>
        <source>网络升级</source>
        <translation>Network Upgrade</translation>
    </message>
    <message>
        <source>设备列表</source>
        <translation>List</translation>
    </message>
    <message>
        <source>设备更新中.....请稍候!</source>
        <translation>Device updating... Please wait a moment!</translation>
    </message>
    <message>
        <source>重启</source>
        <translation>Reboot</translation>
    </message>
    <message>
        <source>固件信息有误,文件名不安全,已取消升级.</source>
        <translation>The firmware information is invalid (unsafe file name); the upgrade was cancelled.</translation>
    </message>
    <message>
        <source>固件下载失败:%1</source>
        <translation>Firmware download failed: %1</translation>
    </message>
    <message>
        <source>固件校验失败,文件已损坏,已取消升级.</source>
        <translation>Firmware check failed: the file is damaged; the upgrade was cancelled.</translation>
    </message>
    <message>
        <source>下载期间选择的设备已改变,未升级.</source>
        <translation>The selected device changed during the download; nothing was flashed.</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>有新的版本,需要立即更新吗?</source>
        <translation>Is there a new version that needs to be updated immediately?</translation>
    </message>
    <message>
        <source>没有找到设备</source>
        <translation>Device not found</translation>
    </message>
    <message>
        <source>诺沃升级工具</source>
        <translation>Norvo USB DFU Tool</translation>
    </message>
    <message>
        <source>无法启动升级程序,软件将正常启动.</source>
        <translation>The updater could not be started; the tool will start normally.</translation>
    </message>
</context>
<context>
    <name>QUIWidget</name>
    <message>
        <source>PS黑色</source>
        <translation>PS black</translation>
    </message>
    <message>
        <source>浅灰色</source>
        <translation>light gray</translation>
    </message>
    <message>
        <source>浅蓝色</source>
        <translation>light blue</translation>
    </message>
    <message>
        <source>浅黑色</source>
        <translation>light black</translation>
    </message>
    <message>
        <source>深灰色</source>
        <translation>dark gray</translation>
    </message>
    <message>
        <source>深蓝色</source>
        <translation>dark blue</translation>
    </message>
    <message>
        <source>深黑色</source>
        <translation>deep black</translation>
    </message>
    <message>
        <source>灰色</source>
        <translation>gray</translation>
    </message>
    <message>
        <source>白色扁平</source>
        <translation>flat white </translation>
    </message>
    <message>
        <source>蓝色</source>
        <translation>blue</translation>
    </message>
    <message>
        <source>银色</source>
        <translation>silver</translation>
    </message>
    <message>
        <source>黑色</source>
        <translation>black</translation>
    </message>
    <message>
        <source>黑色扁平</source>
        <translation>flat black </translation>
    </message>
</context>
</TS>
