<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- The Linux wording of the Overview, Cleanup and Maintenance panes: only texts naming a Mac-only thing. -->
<TS version="2.1" language="en_US" sourcelanguage="en_US">
<context>
    <name>PhaseActions</name>
    <message>
        <source>  ⌘</source>
        <translation>  Ctrl+</translation>
    </message>
</context>
<context>
    <name>OverviewView</name>
    <message>
        <source>Live health of your Mac.</source>
        <translation>Live health of your computer.</translation>
    </message>
    <message>
        <source>Reading your Mac…</source>
        <translation>Reading your computer…</translation>
    </message>
    <message>
        <source>Refresh Spotlight, Finder, network &amp; system databases</source>
        <translation>Refresh font, icon, launcher &amp; file-type databases</translation>
    </message>
</context>
<context>
    <name>StorageCard</name>
    <message>
        <source>Purgeable space is reclaimed by macOS automatically.</source>
        <translation>Purgeable space is reclaimed by the system automatically.</translation>
    </message>
</context>
<context>
    <name>OptimizeView</name>
    <message>
        <source>Health checks and safe repairs for Finder, Spotlight, network &amp; system databases.</source>
        <translation>Health checks and safe repairs for caches, launchers, services &amp; system databases.</translation>
    </message>
</context>
<context>
    <name>CleanView</name>
    <message>
        <source> Try scanning again; if it keeps failing, run `mo clean --dry-run` in Terminal to see details.</source>
        <translation> Try scanning again; if it keeps failing, run `mo clean --dry-run` in a terminal to see details.</translation>
    </message>
</context>
<context>
    <name>BuildLog</name>
    <message numerus="yes">
        <source>%n lines</source>
        <translation>
            <numerusform>%n line</numerusform>
            <numerusform>%n lines</numerusform>
        </translation>
    </message>
</context>
</TS>
