<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- The Linux wording of the shell: only texts naming a Mac-only thing. -->
<TS version="2.1" language="en_US" sourcelanguage="en_US">
<context>
    <name>Kbd</name>
    <message>
        <source>⌘</source>
        <translation>Ctrl+</translation>
    </message>
</context>
<context>
    <name>TabButton</name>
    <message>
        <source>  ⌘</source>
        <translation>  Ctrl+</translation>
    </message>
</context>
<context>
    <name>AccessView</name>
    <message>
        <source>Grant these once, so macOS doesn't interrupt you with pop-ups while Brightloft works.</source>
        <translation>Check these once, so nothing interrupts you while Brightloft works.</translation>
    </message>
    <message>
        <source>Full Disk Access</source>
        <translation>Access to Your Files</translation>
    </message>
    <message>
        <source>Measure &amp; clean caches across your Mac.</source>
        <translation>Measure &amp; clean caches across your computer.</translation>
    </message>
    <message>
        <source>Lets the engine check running apps &amp; use Finder's Trash. macOS asks twice.</source>
        <translation>Lets the engine check running apps &amp; use the Trash.</translation>
    </message>
    <message>
        <source>Some access was declined. Re-enable it in Privacy &amp; Security → Automation.</source>
        <translation>Some access was declined. Re-enable it in your system's privacy settings.</translation>
    </message>
    <message>
        <source>Lets the Uninstaller remove apps from /Applications.</source>
        <translation>Lets the Uninstaller remove apps you installed.</translation>
    </message>
    <message>
        <source>Some macOS versions apply Full Disk Access only after a restart</source>
        <translation>Some systems apply new access only after a restart</translation>
    </message>
    <message>
        <source>Drag into the Full Disk Access list in System Settings</source>
        <translation>Drag into your system's file access settings</translation>
    </message>
    <message>
        <source>Brightloft app, drag into System Settings</source>
        <translation>Brightloft app, drag into Settings</translation>
    </message>
</context>
<context>
    <name>SettingsView</name>
    <message>
        <source>Full Disk Access</source>
        <translation>Access to Your Files</translation>
    </message>
    <message>
        <source>macOS doesn't share this setting with apps. Check it in System Settings.</source>
        <translation>Your system doesn't share this setting with apps. Check it in Settings.</translation>
    </message>
</context>
<context>
    <name>Gallery</name>
    <message>
        <source>Geist 14 regular, gray900 — Grant these once, so macOS doesn't interrupt you with pop-ups while Brightloft works.</source>
        <translation>Geist 14 regular, gray900 — Grant these once, so your system doesn't interrupt you with pop-ups while Brightloft works.</translation>
    </message>
</context>
</TS>
