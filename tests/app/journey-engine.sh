# The engine the journeys drive (the app adds the #! line): a status watch
# that waits, a junk report and its clean, a health check and its fixes, one
# removable app with leftovers whose paths are longer than any row is wide,
# and folder reports made from "$HOME/answers<folder>.list" ("$HOME/answers.list"
# for the whole computer, whose entries are the home's): a line per entry, its
# name, size in bytes and whether it is a folder; a folder without one cannot
# be measured. Everything it touches lies in the test's temporary home.
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
"analyze "*) list="$HOME/answers$3.list"
  [ -e "$list" ] || { echo 'Permission denied' >&2; exit 1; }
  printf '{"path":"%s","entries":[' "${3:-/}"
  sep=
  while read -r name size folder; do
    printf '%s{"name":"%s","path":"%s/%s","size":%s,"is_dir":%s}' \
      "$sep" "$name" "${3:-$HOME}" "$name" "$size" "$folder"
    sep=,
  done < "$list"
  echo ']}' ;;
"trash "*) shift; exec "$MOLE_BINARY" trash "$@" ;;
esac
