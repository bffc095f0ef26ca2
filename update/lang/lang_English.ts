<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>MainWindow</name>
    <message>
        <source>MainWindow</source>
        <translation>Update</translation>
    </message>
    <message>
        <source>更新版本:</source>
        <translation>Update version:</translation>
    </message>
    <message>
        <source>此版本更新内容:</source>
        <translation>This version update content:</translation>
    </message>
    <message>
        <source>开始更新</source>
        <translation>Start</translation>
    </message>
</context>
</TS>
