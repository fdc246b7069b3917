# Whether this machine can run 32-bit programs, decided by running them, never
# by a file's presence: a 32-bit Wine may install on a kernel that starts no
# 32-bit Linux program at all ("Exec format error"), and then its loader
# fails with a shell's syntax error. Sourced by the set-up, test and
# installer scripts; each function sets WINE32_REASON when it says no.

wine32_loader=/usr/lib/wine/wine

# Whether the kernel starts a 32-bit (i386) Linux program: a 96-byte static
# ELF file that only calls exit(42).
linux32_runs() {
    local probe status
    probe=$(mktemp "${TMPDIR:-/tmp}/zorvane-i386-probe.XXXXXX") || {
        WINE32_REASON="no temporary file for the 32-bit probe"
        return 1
    }
    printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000' >"$probe"
    printf '\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000' >>"$probe"
    printf '\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000' >>"$probe"
    printf '\000\000\000\000\001\000\000\000\000\000\000\000\000\200\004\010' >>"$probe"
    printf '\000\200\004\010\140\000\000\000\140\000\000\000\005\000\000\000' >>"$probe"
    printf '\000\020\000\000\270\001\000\000\000\273\052\000\000\000\315\200' >>"$probe"
    chmod +x "$probe"
    timeout 10 "$probe" >/dev/null 2>&1
    status=$?
    rm -f "$probe"
    if [ $status -ne 42 ]; then
        WINE32_REASON="this machine's kernel runs no 32-bit Linux program (a 32-bit probe ended with $status)"
        return 1
    fi
    return 0
}

# Whether the 32-bit Wine loader is installed and starts.
wine32_loader_runs() {
    if [ ! -e "$wine32_loader" ]; then
        WINE32_REASON="no 32-bit Wine is installed"
        return 1
    fi
    linux32_runs || return 1
    local version
    version=$(timeout 20 "$wine32_loader" --version 2>&1 | head -n 1)
    case "$version" in
    wine-*) return 0 ;;
    esac
    WINE32_REASON="the 32-bit Wine loader does not start (${version:-no output})"
    return 1
}

# Whether the 32-bit Wine runs a 32-bit Windows program in WINEPREFIX: its
# own command interpreter, asked for a known exit code.
wine32_runs_programs() {
    wine32_loader_runs || return 1
    timeout 60 "$wine32_loader" cmd /c exit 7 >/dev/null 2>&1 </dev/null
    local status=$?
    if [ $status -ne 7 ]; then
        WINE32_REASON="the 32-bit Wine starts but runs no 32-bit program in this prefix (exit code $status)"
        return 1
    fi
    return 0
}
