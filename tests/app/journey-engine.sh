# The engine the journeys drive (the app adds the #! line): a status watch
# that waits, a junk report and its clean, a health check and its fixes, one
# removable app with leftovers whose paths are longer than any row is wide,
# and folder reports read from "$HOME/answers<folder>.json"
# ("$HOME/answers.json" for the whole computer). Everything it touches lies
# in the test's temporary home.
app="$HOME/Apps/Notely.AppImage"
case "$1 $2" in
"status "*) exec sleep 30 ;;
"clean --dry-run") cat <<'END'
➤ User caches
  → Browser cache · 1.2 GB
  → Thumbnails · 300 MB
➤ Logs
  → Old logs · 20 MB
END
;;
"clean "*) cat <<'END'
➤ User caches
  ✓ Browser cache · 1.2 GB
  ✓ Thumbnails · 300 MB
====================
Space freed: 1.52 GB
END
;;
"optimize --dry-run") cat <<'END'
➤ Caches
  ✓ Font cache · fresh
  ⚠ Icon cache · stale
=====
  Checked 1 area, 1 needs attention
=====
END
;;
"optimize "*) cat <<'END'
➤ Caches
  ✓ Icon cache · rebuilt
=====
Applied 1 fix
=====
END
;;
"uninstall --list") printf '[{"name":"Notely","bundle_id":"org.example.Notely","source":"AppImage","uninstall_name":"notely","path":"%s"}]\n' "$app" ;;
# The app itself is the first file its removal takes.
"uninstall --dry-run") cat <<END
Removing Notely
  ✓ $app , 4 KB
  ✓ ~/.local/share/notely/a-folder-with-a-rather-long-name-0/a-folder-with-a-rather-long-name-1/a-folder-with-a-rather-long-name-2/a-folder-with-a-rather-long-name-3/a-folder-with-a-rather-long-name-4/a-folder-with-a-rather-long-name-5/settings.json , 4 KB
  ✓ ~/.local/share/notely/a-folder-with-a-rather-long-name-0/a-folder-with-a-rather-long-name-1/settings.json , 4 KB
  ✓ ~/.config/notely , 4 KB
Potential space: 1.5 MB
END
;;
"analyze "*) cat "$HOME/answers$3.json" 2>/dev/null || { echo 'Permission denied' >&2; exit 1; } ;;
"trash "*) shift; exec "$MOLE_BINARY" trash "$@" ;;
esac
