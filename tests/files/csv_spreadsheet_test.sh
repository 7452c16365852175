#!/usr/bin/env bash
# A layout kept in a real spreadsheet: the sheet raskladka-cli writes for the shop
# till goes through Gnumeric's ssconvert to .xlsx and back to .csv, and the layout
# read from what came back is the one written, byte for byte as a button view.
# usage: csv_spreadsheet_test.sh RASKLADKA_CLI SAMPLE.btv
set -u
cli=$1 sample=$2
. "$(dirname "$0")/../../scripts/tools.sh"
require_tools ssconvert
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
"$cli" convert "$sample" "$work/till.csv" || { echo "FAIL: .btv -> .csv"; exit 1; }
# ssconvert wants a home for its settings and says nothing worth keeping on stderr.
HOME=$work ssconvert "$work/till.csv" "$work/till.xlsx" 2>"$work/ssconvert.log" &&
  HOME=$work ssconvert "$work/till.xlsx" "$work/back.csv" 2>>"$work/ssconvert.log" ||
  { echo "FAIL: ssconvert"; cat "$work/ssconvert.log"; exit 1; }
"$cli" convert "$work/back.csv" "$work/back.btv" || { echo "FAIL: the spreadsheet's .csv is refused"; exit 1; }
cmp "$sample" "$work/back.btv" || { echo "FAIL: the layout changed on its way through the spreadsheet"; exit 1; }
echo "the layout came back from the spreadsheet as it was written"
