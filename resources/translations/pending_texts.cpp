// Read by lupdate only, never compiled: catalogue texts whose code is not in this tree
// yet (the release flows, the tool update question). Without
// them lupdate would retire those translations; drop each line once its code arrives.
QT_TRANSLATE_NOOP("MainWindow", "%1 最新版本:%2\n此版本更新内容:\n%3\n如果你需要更新此版本,请点击\"网络升级\"按钮")
QT_TRANSLATE_NOOP("MainWindow", "[当前固件版本:%1]\n")
QT_TRANSLATE_NOOP("MainWindow", "下载最新固件\n当前下载进度:%1%")
QT_TRANSLATE_NOOP("MainWindow", "固件下载完毕,开始升级.")
QT_TRANSLATE_NOOP("MainWindow", "固件已经存在,开始升级.")
QT_TRANSLATE_NOOP("QObject", "有新的版本,需要立即更新吗?")
