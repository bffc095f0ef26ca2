<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_TW">
<context>
    <name>MainWindow</name>
    <message>
        <source>MainWindow</source>
        <translation>升級</translation>
    </message>
    <message>
        <source>更新版本:</source>
        <translation>更新版本：</translation>
    </message>
    <message>
        <source>此版本更新内容:</source>
        <translation>此版本更新內容：</translation>
    </message>
    <message>
        <source>开始更新</source>
        <translation>開始更新</translation>
    </message>
</context>
</TS>
