# README.TXT for the user's Windows, from README.md up to its build section: plain ASCII as
# Notepad shows it, CRLF line ends, at most 78 columns; markup dropped, headings underlined,
# the title followed by the version.
# Usage: LC_ALL=C awk -v version=1.0.0 -f readme_txt.awk README.md > README.TXT
/^## Build/ { done = 1 }
done { next }
{
    gsub(/\*\*|`/, "")
    gsub(/-VERSION-/, "-" version "-")
    heading = /^#+ /
    rule = /^# / ? "=" : "-"
    if (/^# /) $0 = $0 " " version
    sub(/^#+ /, "")
    if (length($0) > 78 || /[^ -~]/) {
        printf "README.md:%d: over 78 columns or not plain ASCII\n", NR > "/dev/stderr"
        failed = 1
        exit 1
    }
    lines[++count] = $0
    if (heading) {
        gsub(/./, rule)
        lines[++count] = $0
    }
}
END {
    if (failed) exit 1
    while (count > 0 && lines[count] == "") count--
    for (i = 1; i <= count; i++) printf "%s\r\n", lines[i]
}
