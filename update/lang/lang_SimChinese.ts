<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>MainWindow</name>
    <message>
        <source>MainWindow</source>
        <translation>升级</translation>
    </message>
    <message>
        <source>更新版本:</source>
        <translation>更新版本:</translation>
    </message>
    <message>
        <source>此版本更新内容:</source>
        <translation>此版本更新内容:</translation>
    </message>
    <message>
        <source>开始更新</source>
        <translation>开始更新</translation>
    </message>
</context>
</TS>
