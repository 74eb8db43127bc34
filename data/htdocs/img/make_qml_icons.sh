#!/bin/sh
# Draws the PNG icons of the QML report from the SVG icons of this folder (ImageMagick's convert).
# The PNGs are committed; run this again after changing an SVG.
set -eu
cd "$(dirname "$0")"
while read -r png svg; do
    convert -background none "$svg" -depth 8 -strip "PNG32:$png"
done <<'LIST'
mirel_closed_folder.png closed_folder.svg
mirel_opened_folder.png open_folder.svg
mirel_table.png table.svg
mirel_bar_chart.png chart.svg
mirel_summary_table.png summary_table.svg
mirel_timing_table.png timing_table.svg
mirel_grid_table.png grid_table.svg
mirel_histogram.png histogram.svg
mirel_report_path.png path.svg
mirel_waveform.png waveform_display.svg
mirel_input_small.png pin.svg
mirel_msg_info.png messages.svg
mirel_generic_file.png text.svg
mirel_question_mark.png unknown.svg
right_carrot.png right_carrot.svg
down_carrot.png down_carrot.svg
LIST
