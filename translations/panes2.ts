<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- The Linux wording of the Space Lens and Uninstaller panes: only texts naming a Mac-only thing. -->
<TS version="2.1" language="en_US" sourcelanguage="en_US">
<context>
    <name>SpaceView</name>
    <message>
        <source>This Mac</source>
        <translation>This Computer</translation>
    </message>
    <message>
        <source>Measuring your whole Mac. This takes about 30 seconds…</source>
        <translation>Measuring your whole computer…</translation>
    </message>
    <message>
        <source>Show in Finder</source>
        <translation>Show in Folder</translation>
    </message>
    <message>
        <source> Check that Brightloft has Full Disk Access, then rescan.</source>
        <translation> Check that Brightloft has Access to Your Files, then rescan.</translation>
    </message>
</context>
<context>
    <name>AppDetail</name>
    <message>
        <source>Show in Finder</source>
        <translation>Show in Folder</translation>
    </message>
    <message>
        <source> in Finder</source>
        <translation> in its folder</translation>
    </message>
    <message>
        <source>Homebrew cask</source>
        <translation>Homebrew formula</translation>
    </message>
    <message>
        <source>App bundle</source>
        <translation>Application</translation>
    </message>
</context>
<context>
    <name>UninstallView</name>
    <message>
        <source>See every file an app left around your Mac before anything is removed. Files go to the Trash, so you can undo.</source>
        <translation>See every file an app left around your computer before anything is removed. Files go to the Trash, so you can undo.</translation>
    </message>
</context>
<context>
    <name>AppsModel</name>
    <message>
        <source>Couldn't ask Finder to move the files.</source>
        <translation>Couldn't ask the file manager to move the files.</translation>
    </message>
    <message>
        <source>Brightloft isn't allowed to use Finder. Turn it on in Settings → Automation, then try again.</source>
        <translation>Brightloft isn't allowed to move these files to the Trash.</translation>
    </message>
    <message>
        <source>Finder couldn't move some files to the Trash.</source>
        <translation>Some files couldn't be moved to the Trash.</translation>
    </message>
</context>
</TS>
