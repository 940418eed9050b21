# Shared by Tunewell's site scripts (sourced, not run): installing files into
# /etc so that a crash leaves the old file or the new one, never a part of
# one, and so that lines other programs wrote stay as they are.

me=${0##*/}

fail() {
    echo "$me: $*" >&2
    exit 1
}

# In files other programs write too (hosts, the PPP secrets) the suite owns
# only the lines between these two.
block_begin='# BEGIN tunewell'
block_end='# END tunewell'
# A whole file the suite wrote carries a line beginning with this, such as
# $written_mark.
written_by='# Written by tunewell-'
written_mark="# Written by $me"

# Temporary files still to be removed if the script stops early, and a
# private directory for texts put together before they are installed.
pending=
work=
trap 'rm -f $pending; [ -z "$work" ] || rm -rf "$work"' EXIT
err=$(mktemp -d 2>&1) || fail "cannot create a working directory: $err"
work=$err

# ensure_dir <dir>: missing directories are made 0755, whatever the umask.
ensure_dir() {
    [ -d "$1" ] && return 0
    err=$( (umask 022 && mkdir -p "$1") 2>&1) || fail "cannot create $1: $err"
}

# begin_file <target>: an empty file beside <target>, named in $new; beside it
# so that the rename that puts it in place is atomic.
begin_file() {
    new=$(mktemp "$1.XXXXXX" 2>&1) || fail "cannot create a file beside $1: $new"
    pending="$pending $new"
}

# end_file <mode|keep> <target>: puts $new in place of <target>, on disk
# before the rename and the directory synced after it.  "keep" keeps the
# target's mode (0644 for a new file); the owner is always kept.
end_file() {
    owner=
    mode=$1
    if [ -e "$2" ]; then
        owner=$(stat -L -c %u:%g "$2") || fail "cannot read the owner of $2"
        if [ "$mode" = keep ]; then
            mode=$(stat -L -c %a "$2") || fail "cannot read the mode of $2"
        fi
    fi
    [ "$mode" != keep ] || mode=0644
    if [ -f "$2" ] && [ ! -L "$2" ] && cmp -s "$new" "$2"; then
        # Same text: the file stays, but a secret still gets its mode.
        rm -f "$new"
        err=$(chmod "$mode" "$2" 2>&1) || fail "cannot set the mode of $2: $err"
        return 0
    fi
    err=$(chmod "$mode" "$new" 2>&1) || fail "cannot set the mode of $new: $err"
    if [ -n "$owner" ]; then
        err=$(chown "$owner" "$new" 2>&1) || fail "cannot set the owner of $new: $err"
    fi
    err=$(sync "$new" 2>&1) || fail "cannot write $new to disk: $err"
    err=$(mv -fT "$new" "$2" 2>&1) || fail "cannot replace $2: $err"
    err=$(sync "$(dirname "$2")" 2>&1) || fail "cannot write $(dirname "$2") to disk: $err"
}

# keep_original <target> <content>: the first time the suite replaces a whole
# file it did not write, the original stays beside it as
# <target>.tunewell-orig; an existing copy is never replaced, so it stays the
# distribution's file.  A file without room for a mark (the host name) that
# already reads <content> needs no copy either.
keep_original() {
    orig=$1.tunewell-orig
    if { [ ! -e "$1" ] && [ ! -L "$1" ]; } || [ -e "$orig" ] || [ -L "$orig" ]; then
        return 0
    fi
    if [ ! -L "$1" ] && { grep -q "^$written_by" "$1" || cmp -s "$1" "$2"; }; then
        return 0
    fi
    begin_file "$orig"
    err=$(cp -a --remove-destination "$1" "$new" 2>&1) || fail "cannot copy $1: $err"
    [ -L "$new" ] || err=$(sync "$new" 2>&1) || fail "cannot write $new to disk: $err"
    err=$(mv -fT "$new" "$orig" 2>&1) || fail "cannot keep $1 as $orig: $err"
    err=$(sync "$(dirname "$1")" 2>&1) || fail "cannot write $(dirname "$1") to disk: $err"
}

# install_own <mode|keep> <target> <content>: replaces a file only the suite
# writes.
install_own() {
    begin_file "$2"
    err=$(cat "$3" 2>&1 > "$new") || fail "cannot write $new: $err"
    end_file "$1" "$2"
}

# install_whole <mode|keep> <target> <content>: replaces a file others may
# have written, keeping its original once.
install_whole() {
    keep_original "$2" "$3"
    install_own "$@"
}

# install_block <mode|keep> <target> <block>: the suite's old lines in
# <target> give way to <block> (first in the file; none when <block> is
# empty); every other line stays byte for byte, a last line without its
# newline included.  No target and an empty block: nothing is created.
install_block() {
    if [ ! -e "$2" ] && [ ! -s "$3" ]; then
        return 0
    fi
    if [ -e "$2" ]; then
        # An unmatched marker would make the suite take lines it did not
        # write: leave the file to the administrator.
        awk -v b="$block_begin" -v e="$block_end" '
            $0 == b { if (open) bad = 1; open = 1 }
            $0 == e { if (!open) bad = 1; open = 0 }
            END { exit (bad || open) }' "$2" ||
            fail "$2 has unmatched \"$block_begin\" and \"$block_end\" lines; correct them by hand"
    fi
    begin_file "$2"
    err=$({
        if [ -s "$3" ]; then
            echo "$block_begin" && sed -e '$a\' "$3" && echo "$block_end"
        fi &&
            if [ -e "$2" ]; then
                sed -e "/^$block_begin\$/,/^$block_end\$/d" "$2"
            fi
    } 2>&1 > "$new") || fail "cannot write $new: $err"
    end_file "$1" "$2"
}
