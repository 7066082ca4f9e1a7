#!/usr/bin/env bash
# Draws the workbench's pictures: the built-in ones compiled into the program (Img/, vesk/), the
# ones installed below the install root (installroot/resource/) and the desktop icons (icons/).
# Run it after changing a picture and commit the PNGs and GIFs it writes; the build never runs it.
# Needs ImageMagick 6 (convert) and the WenQuanYi Micro Hei font for the one picture with text.
set -euo pipefail
cd "$(dirname "$0")"

blue='#1AA9FF'
green='#4AB793'
red='#D70A2A'
grey='#8F959E'
dark='#5F6B7A'
ok='#34BB86'
fail='#FF5F4F'
amber='#FFAB20'
star='#FFC53D'
font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc

# Small pictures are drawn four times larger and scaled down, which smooths their edges. The
# built-in and installed ones (Img/, vesk/, installroot/) also get a twice as large "@2x" twin,
# which QIcon (and CusPicture for the installed ones) picks on a screen of device pixel ratio 2;
# the hicolor icons come in their own sizes.
# icon OUT SIZE DRAW-ARGS...   (coordinates on a 4*SIZE canvas)
icon() {
  local out=$1 size=$2
  shift 2
  mkdir -p "$(dirname "$out")"
  convert -size $((size * 4))x$((size * 4)) xc:none "$@" -resize "${size}x${size}" -strip "$out"
  if [[ $out != icons/* ]]; then
    convert -size $((size * 4))x$((size * 4)) xc:none "$@" -resize "$((size * 2))x$((size * 2))" -strip "${out%.png}@2x.png"
  fi
}

# picture OUT WxH DRAW-ARGS...  (drawn at its own size; the "@2x" twin drawn again at twice the
# scale, not enlarged)
picture() {
  local out=$1 geometry=$2
  shift 2
  mkdir -p "$(dirname "$out")"
  convert -size "$geometry" xc:none "$@" -strip "$out"
  local w=${geometry%x*} h=${geometry#*x}
  convert -size "$((w * 2))x$((h * 2))" xc:none -affine 2,0,0,2,0,0 "$@" -strip "${out%.png}@2x.png"
}

round='stroke-linecap round stroke-linejoin round'

# --- logos -------------------------------------------------------------------------------------
# A rounded square in the theme colour with a white ring broken at the top right and a dot.
logo() {
  local out=$1 size=$2 colour=$3
  local s=$((size * 4)) r=$((size * 4 * 22 / 100))
  icon "$out" "$size" \
    -fill "$colour" -draw "roundrectangle 0,0 $((s - 1)),$((s - 1)) $r,$r" \
    -fill none -stroke white -strokewidth $((s / 10)) \
    -draw "$round arc $((s * 24 / 100)),$((s * 24 / 100)) $((s * 76 / 100)),$((s * 76 / 100)) -20,290" \
    -stroke none -fill white -draw "circle $((s * 50 / 100)),$((s * 50 / 100)) $((s * 50 / 100)),$((s * 41 / 100))"
}
logo Img/corvislogo.png 128 "$blue"
logo vesk/logo.png 128 "$green"
logo installroot/resource/logo.png 128 "$blue"
logo installroot/resource/logo_kav.png 95 "$red"
# The desktop entry's icon in the hicolor theme, one picture per size.
for size in 16 24 32 48 64 128 256; do
  logo "icons/$size/corvisbench.png" "$size" "$blue"
done

# --- left navigation icons (24 x 24) -------------------------------------------------------------
portal_icon() {
  icon "$1" 24 -fill "$2" \
    -draw "roundrectangle 8,8 42,42 6,6" -draw "roundrectangle 54,8 88,42 6,6" \
    -draw "roundrectangle 8,54 42,88 6,6" -draw "roundrectangle 54,54 88,88 6,6"
}
sandbox_icon() {
  icon "$1" 24 -fill none -stroke "$2" -strokewidth 7 \
    -draw "$round polygon 48,8 86,28 86,68 48,88 10,68 10,28" \
    -draw "$round polyline 10,28 48,48 86,28" -draw "$round line 48,48 48,88"
}
device_icon() {
  icon "$1" 24 -fill none -stroke "$2" -strokewidth 7 \
    -draw "$round roundrectangle 8,12 88,66 6,6" -draw "$round line 48,66 48,82" \
    -draw "$round line 28,84 68,84"
}
shield_icon() {
  icon "$1" 24 -fill "$2" \
    -draw "path 'M 48,6 L 84,20 L 84,46 C 84,68 68,82 48,90 C 28,82 12,68 12,46 L 12,20 Z'" \
    -fill none -stroke white -strokewidth 8 -draw "$round path 'M 32,48 L 44,60 L 66,36'"
}
version_icon() {
  icon "$1" 24 -fill none -stroke "$2" -strokewidth 7 \
    -draw "$round circle 48,48 48,10" \
    -draw "$round path 'M 48,68 L 48,30 M 34,44 L 48,30 L 62,44'"
}
portal_icon Img/icon_portal.png "$grey"
sandbox_icon Img/icon_sandbox.png "$grey"
device_icon Img/icon_device_info.png "$grey"
shield_icon Img/icon_dynamic_auth.png "$grey"
version_icon Img/icon_version_check.png "$grey"
device_icon installroot/resource/vesk/clientmain/device_info_checked.png "$green"
shield_icon installroot/resource/vesk/clientmain/dynamic_score_checked.png "$green"
version_icon installroot/resource/vesk/clientmain/version_check.png "$green"

# --- portal corner marks (24 x 24) -------------------------------------------------------------
star_points='48,8 59,35 88,37 66,56 73,85 48,69 23,85 30,56 8,37 37,35'
icon Img/star_yellow.png 24 -fill "$star" -stroke "$star" -strokewidth 4 -draw "$round polygon $star_points"
icon Img/star_gray.png 24 -fill none -stroke '#C0C4CC' -strokewidth 6 -draw "$round polygon $star_points"
icon Img/box_yellow.png 24 -fill "$amber" -draw "roundrectangle 10,10 86,86 12,12" \
  -fill none -stroke white -strokewidth 9 -draw "$round path 'M 28,50 L 42,64 L 68,34'"
icon Img/box_gray.png 24 -fill white -stroke '#C0C4CC' -strokewidth 6 -draw "roundrectangle 12,12 84,84 12,12"

# --- title bar and top bar buttons -------------------------------------------------------------
for variant in "" _white; do
  colour=$grey
  [ "$variant" = _white ] && colour=white
  icon "Img/btn_min$variant.png" 16 -stroke "$colour" -strokewidth 5 -draw "$round line 14,32 50,32"
  icon "Img/btn_close$variant.png" 16 -stroke "$colour" -strokewidth 5 \
    -draw "$round line 14,14 50,50" -draw "$round line 50,14 14,50"
done
icon Img/icon_refresh.png 20 -fill none -stroke "$dark" -strokewidth 7 \
  -draw "$round arc 14,14 66,66 -60,240" -fill "$dark" -stroke none -draw "polygon 56,4 74,26 48,30"
icon Img/icon_message.png 20 -fill none -stroke "$dark" -strokewidth 7 \
  -draw "$round path 'M 40,8 C 24,8 18,20 18,34 L 18,52 L 10,62 L 70,62 L 62,52 L 62,34 C 62,20 56,8 40,8 Z'" \
  -draw "$round line 32,72 48,72"
icon Img/icon_user.png 24 -fill "$dark" -draw "circle 48,32 48,12" \
  -draw "path 'M 12,90 C 12,64 28,56 48,56 C 68,56 84,64 84,90 Z'"
icon Img/icon_calendar.png 16 -fill none -stroke "$grey" -strokewidth 5 \
  -draw "$round roundrectangle 8,12 56,56 5,5" -draw "$round line 8,26 56,26" \
  -draw "$round line 20,6 20,16" -draw "$round line 44,6 44,16"
icon Img/eye_open.png 16 -fill none -stroke "$grey" -strokewidth 5 \
  -draw "$round path 'M 4,32 C 16,12 48,12 60,32 C 48,52 16,52 4,32 Z'" \
  -fill "$grey" -stroke none -draw "circle 32,32 32,23"
icon Img/eye_close.png 16 -fill none -stroke "$grey" -strokewidth 5 \
  -draw "$round path 'M 4,26 C 16,46 48,46 60,26'" \
  -draw "$round line 16,40 10,48" -draw "$round line 32,44 32,54" -draw "$round line 48,40 54,48"
# "connected" badge of the device page (58 x 20).
# Text is not scaled by -affine: the twin sets its own size and place.
connected_badge() {
  local out=$1 k=$2
  convert -size $((58 * k))x$((20 * k)) xc:none -affine "$k,0,0,$k,0,0" -fill '#EDFDF7' -stroke "$ok" -strokewidth 1 \
    -draw "roundrectangle 0.5,0.5 57.5,19.5 9,9" -stroke none -fill "$ok" -draw "circle 11,10 11,6" \
    -affine 1,0,0,1,0,0 -font "$font" -pointsize $((11 * k)) -fill "$ok" -annotate +$((20 * k))+$((14 * k)) '已连接' \
    -strip "$out"
}
connected_badge Img/icon_connected.png 1
connected_badge Img/icon_connected@2x.png 2

# --- login pictures ----------------------------------------------------------------------------
# Access check finished (190 x 220): a shield with a tick or a cross over a soft shadow.
check_picture() {
  local out=$1 colour=$2 mark=$3
  local glyph
  if [ "$mark" = tick ]; then
    glyph="path 'M 66,108 L 88,130 L 128,86'"
  else
    glyph="path 'M 72,84 L 118,130 M 118,84 L 72,130'"
  fi
  picture "$out" 190x220 \
    -fill '#F2F3F5' -draw "ellipse 95,200 70,10 0,360" \
    -fill "$colour" -draw "path 'M 95,22 L 160,46 L 160,100 C 160,148 130,174 95,188 C 60,174 30,148 30,100 L 30,46 Z'" \
    -fill none -stroke white -strokewidth 14 -draw "$round $glyph"
}
badge() {
  local out=$1 colour=$2
  shift 2
  icon "$out" 64 -fill "$colour" -draw "circle 128,128 128,8" -fill none -stroke white -strokewidth 22 "$@"
}
for dir in default vesk; do
  base=installroot/resource/$dir/clientlogin
  check_picture "$base/right_succ.png" "$ok" tick
  check_picture "$base/right_fail.png" "$fail" cross
  badge "$base/scan_ok.png" "$ok" -draw "$round path 'M 76,132 L 112,168 L 182,94'"
  badge "$base/scan_refresh.png" "$([ $dir = vesk ] && echo "$green" || echo "$blue")" \
    -draw "$round arc 70,70 186,186 -40,250" -fill white -stroke none -draw "polygon 170,44 206,96 146,100"
  badge "$base/head_error.png" "$fail" -draw "$round line 128,62 128,142" -draw "$round line 128,186 128,188"
  badge "$base/head_fixing.png" "$amber" -fill white -stroke none \
    -draw "circle 76,128 76,112" -draw "circle 128,128 128,112" -draw "circle 180,128 180,112"
done
# USB key for certificate login (200 x 150).
picture "installroot/resource/default/clientlogin/证书认证.png" 200x150 \
  -fill '#ECF5FE' -draw "roundrectangle 0,0 199,149 12,12" \
  -fill '#C8D1DC' -draw "roundrectangle 120,58 168,92 4,4" -fill white -draw "rectangle 136,66 144,72" \
  -draw "rectangle 148,66 156,72" \
  -fill "$blue" -draw "roundrectangle 32,46 128,104 16,16" \
  -fill white -draw "circle 58,75 58,63" -fill "$blue" -draw "circle 58,75 58,69" \
  -fill none -stroke white -strokewidth 4 -draw "$round line 80,68 112,68" -draw "$round line 80,82 104,82"

# --- main window pictures ----------------------------------------------------------------------
main=installroot/resource/default/clientmain
# Nothing to show (240 x 180): an open, empty tray.
picture "$main/portal_blank.png" 240x180 \
  -fill '#F2F3F5' -draw "ellipse 120,160 90,12 0,360" \
  -fill '#E4E9F0' -draw "polygon 50,80 190,80 210,130 30,130" \
  -fill '#D3DBE6' -draw "roundrectangle 30,120 210,150 6,6" \
  -fill white -draw "roundrectangle 80,40 160,104 6,6" \
  -fill none -stroke '#D3DBE6' -strokewidth 4 -draw "$round line 96,60 144,60" -draw "$round line 96,76 132,76"
# Network mode badge background (240 x 32).
picture "$main/bg_netmode.png" 240x32 -fill '#ECF5FE' -draw "roundrectangle 0,0 239,31 16,16" \
  -fill "$blue" -draw "circle 16,16 16,11"
# Security score head picture (120 x 120).
score_picture() {
  picture "$1" 120x120 -fill none -stroke '#E8EDF3' -strokewidth 10 -draw "circle 60,60 60,12" \
    -stroke "$2" -draw "$round arc 12,12 108,108 -90,180" -stroke none -fill "$2" \
    -draw "path 'M 60,32 L 82,41 L 82,58 C 82,73 72,82 60,88 C 48,82 38,73 38,58 L 38,41 Z'" \
    -fill none -stroke white -strokewidth 5 -draw "$round path 'M 50,60 L 57,67 L 71,52'"
}
score_picture "$main/dynamic_score.png" "$blue"
score_picture installroot/resource/vesk/clientmain/dynamic_score.png "$green"
# Loading animation (64 x 64, 12 frames): an arc turning on a faint ring.
frames=()
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for i in $(seq 0 11); do
  a=$((i * 30))
  convert -size 256x256 xc:white -fill none -stroke '#E8EDF3' -strokewidth 24 -draw "circle 128,128 128,40" \
    -stroke "$blue" -draw "$round arc 40,40 216,216 $((a - 90)),$((a + 10))" -resize 64x64 "$tmp/f$i.png"
  frames+=("$tmp/f$i.png")
done
convert -delay 8 -loop 0 -dispose background "${frames[@]}" -strip "$main/loading.gif"
echo "pictures written"

# --- demo portal application icons (58 x 58), served by the controller stand-in ------------------
# A rounded square per category with a white sign; coordinates on a 96 x 96 grid.
app_icon() {
  local out=../tools/corvisctlsim/scenarios/portal-icons/$1.png colour=$2
  shift 2
  mkdir -p "$(dirname "$out")"
  convert -size 384x384 xc:none -draw "scale 4,4 fill $colour roundrectangle 2,2 94,94 20,20" \
    -fill none -stroke white -strokewidth 7 "$@" -resize 58x58 -strip "$out"
}
app_icon web "$blue" -draw "scale 4,4 circle 48,48 48,22" -draw "scale 4,4 line 22,48 74,48" \
  -draw "scale 4,4 ellipse 48,48 11,26 0,360"
app_icon cs "$green" -draw "scale 4,4 $round roundrectangle 20,24 76,62 4,4" \
  -draw "scale 4,4 $round line 48,62 48,72" -draw "scale 4,4 $round line 34,74 62,74"
app_icon prot "$red" -draw "scale 4,4 $round path 'M 48,18 L 74,28 L 74,48 C 74,64 62,74 48,80 C 34,74 22,64 22,48 L 22,28 Z'" \
  -draw "scale 4,4 $round path 'M 36,48 L 45,57 L 61,40'"
app_icon office "$amber" -draw "scale 4,4 $round roundrectangle 26,18 70,78 4,4" \
  -draw "scale 4,4 $round line 36,36 60,36" -draw "scale 4,4 $round line 36,48 60,48" \
  -draw "scale 4,4 $round line 36,60 52,60"
app_icon dev "$dark" -draw "scale 4,4 $round polyline 36,30 20,48 36,66" \
  -draw "scale 4,4 $round polyline 60,30 76,48 60,66" -draw "scale 4,4 $round line 53,26 43,70"
