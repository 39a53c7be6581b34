#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
# Draws docs/speed.svg from the speed table of docs/performance.md, where
# each CPU class keeps its latest rows: each path's loop against the scalar form,
# a group of bars per CPU class and date, the path the executable runs there
# labelled in bold.
# Usage: bench/speed_chart.sh [OUTPUT]   (docs/speed.svg; a .png name draws a
#                                        PNG instead, for a quick look)
# Needs gnuplot (Debian's gnuplot-nox).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
table=$root/docs/performance.md
output=${1:-$root/docs/speed.svg}
command -v gnuplot >/dev/null || { echo "gnuplot is not installed (package gnuplot-nox)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The table's rows: | CPU class | path | scalar | path loop | vs scalar |
# whole process | measured |. Bars are placed here, not by gnuplot's
# histogram style, so that a path not measured on a CPU leaves no gap.
# Writes one data block per path (x, ratio, label) and the gnuplot settings
# that name the paths and place the groups' labels.
awk -F'|' -v data="$work/bars.dat" -v settings="$work/settings.gp" '
    function trim(s) { gsub(/^[ \t`*]+|[ \t`*]+$/, "", s); return s }
    /^\| *CPU class *\| *path *\|/ { in_table = 1; getline; next }
    in_table && !/^\|/ { in_table = 0 }
    !in_table { next }
    {
        class = trim($2); sub(/ \(.*/, "", class)
        path = trim($3); ratio = trim($6); whole = trim($7)
        measured = trim($8); sub(/,.*/, "", measured)
        sub(/x$/, "", ratio)
        group = class "\\n" measured
        if (!(group in group_index)) { group_index[group] = groups + 0; group_name[groups++] = group }
        if (!(path in path_index)) { path_index[path] = paths + 0; path_name[paths++] = path }
        value[group_index[group], path_index[path]] = ratio
        chosen[group_index[group], path_index[path]] = whole != ""
    }
    END {
        if (groups == 0) { print "no speed table found" > "/dev/stderr"; exit 1 }
        # The bars of a group side by side, in the order of the paths, a gap between groups.
        x = 0; tics = ""
        for (g = 0; g < groups; ++g) {
            first = x
            for (p = 0; p < paths; ++p) if ((g, p) in value) position[g, p] = x++
            tics = tics (g ? ", " : "") sprintf("\"%s\" %g", group_name[g], (first + x - 1) / 2)
            ++x
        }
        for (p = 0; p < paths; ++p) {
            for (g = 0; g < groups; ++g) {
                if (!((g, p) in value)) continue
                label = value[g, p]
                if (chosen[g, p]) label = "{/:Bold " label "}"
                printf "%d %s \"%s\"\n", position[g, p], value[g, p], label > data
            }
            printf "\n\n" > data
        }
        names = ""
        for (p = 0; p < paths; ++p) names = names (p ? " " : "") path_name[p]
        printf "paths = \"%s\"\n", names > settings
        printf "set xrange [-1:%d]\n", x - 1 > settings
        printf "set xtics (%s)\n", tics > settings
    }' "$table"

case $output in
    *.png) terminal="pngcairo size 900,520 font 'sans,11'" ;;
    *) terminal="svg size 900,520 dynamic font 'sans,13' background '#ffffff'" ;;
esac

gnuplot <<EOF
set terminal $terminal enhanced
set output '$output'
load '$work/settings.gp'
set title "Each path's loop against the scalar form (higher is faster; bold: the path the executable runs)"
set ylabel 'times faster than the scalar form'
set yrange [0:*]
set ytics nomirror
set xtics nomirror scale 0
set grid ytics lc rgb '#dddddd'
set border 3
set key outside bottom center horizontal reverse Left noautotitle
set style fill solid 0.9 noborder
set boxwidth 0.9
set bmargin 5
array colours[6] = ['#8da0cb', '#66c2a5', '#fc8d62', '#e78ac3', '#a6d854', '#ffd92f']
plot for [i = 0:words(paths) - 1] '$work/bars.dat' index i using 1:2 with boxes \
         lc rgb colours[i % 6 + 1] title word(paths, i + 1) noenhanced, \
     for [i = 0:words(paths) - 1] '' index i using 1:2:3 with labels offset 0, 0.7 notitle, \
     1 with lines dt 2 lc rgb '#555555' title 'scalar form'
EOF
echo "wrote $output"
