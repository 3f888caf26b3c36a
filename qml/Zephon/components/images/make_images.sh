#!/bin/sh
# Draws the pictures of the screens: user-picture placeholders, emoticons, status logo,
# file-kind icons and the skin background. Run from anywhere; needs ImageMagick's convert.
# The output is committed, so a build does not need this script.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
zephon=$(cd "$here/../.." && pwd)
accent='#2b7de9'

# User-picture placeholders: images/userpic/userpic-<size>-<kind>.png
for entry in small:40 middle:56 large:100; do
    size=${entry%%:*}; px=${entry#*:}
    r=$((px / 6)); last=$((px - 1))
    bg() { # colour -> rounded square on transparent ground
        convert -size ${px}x${px} xc:none -fill "$1" \
            -draw "roundrectangle 0,0 $last,$last $r,$r" "$2"
    }
    out="$here/userpic/userpic-$size"
    # A person: head and shoulders.
    cx=$((px / 2)); hy=$((px * 38 / 100)); hr=$((px * 17 / 100))
    sy=$((px * 95 / 100)); sr=$((px * 32 / 100))
    bg '#b8c4d6' "$out-default.png"
    convert "$out-default.png" -fill white \
        -draw "circle $cx,$hy $cx,$((hy - hr))" \
        -draw "ellipse $cx,$sy $sr,$((sr * 3 / 4)) 180,360" "$out-default.png"
    # Plain ground for the last-name character the screens print over it.
    bg "$accent" "$out-bg.png"
    # The assistant account: a speech bubble.
    bg '#21a67a' "$out-zpservice.png"
    convert "$out-zpservice.png" -fill white \
        -draw "roundrectangle $((px / 5)),$((px / 4)) $((px * 4 / 5)),$((px * 3 / 5)) $r,$r" \
        -draw "polygon $((px * 2 / 5)),$((px * 3 / 5)) $((px * 3 / 10)),$((px * 4 / 5)) $((px / 2)),$((px * 3 / 5))" \
        "$out-zpservice.png"
    # A computer screen.
    bg '#6b7a90' "$out-pc.png"
    convert "$out-pc.png" -fill white \
        -draw "roundrectangle $((px / 5)),$((px / 4)) $((px * 4 / 5)),$((px * 3 / 5)) 2,2" \
        -draw "rectangle $((px * 9 / 20)),$((px * 3 / 5)) $((px * 11 / 20)),$((px * 7 / 10))" \
        -draw "rectangle $((px * 3 / 10)),$((px * 7 / 10)) $((px * 7 / 10)),$((px * 3 / 4))" \
        "$out-pc.png"
    # Circles: three heads; the two circle types differ by colour.
    for kind in circle:'#f0932b' circle-0:'#e8663d' circle-1:'#8e5bd6'; do
        name=${kind%%:*}; colour=${kind#*:}
        bg "$colour" "$out-$name.png"
        d=$((px / 7))
        convert "$out-$name.png" -fill white \
            -draw "circle $((px / 2)),$((px * 2 / 5)) $((px / 2)),$((px * 2 / 5 - d))" \
            -draw "circle $((px * 3 / 10)),$((px * 3 / 5)) $((px * 3 / 10)),$((px * 3 / 5 - d))" \
            -draw "circle $((px * 7 / 10)),$((px * 3 / 5)) $((px * 7 / 10)),$((px * 3 / 5 - d))" \
            "$out-$name.png"
    done
done

# Emoticons face_1 .. face_78: a round face whose colour, eyes and mouth follow the number.
i=1
while [ $i -le 78 ]; do
    hue=$(( (i * 37) % 360 ))
    fill="hsl($hue,70%,62%)"
    case $((i % 4)) in
        0) mouth="arc 7,11 17,19 20,160" ;;
        1) mouth="line 8,16 16,16" ;;
        2) mouth="arc 7,14 17,22 200,340" ;;
        *) mouth="ellipse 12,16 3,2 0,360" ;;
    esac
    case $(((i / 4) % 3)) in
        0) eyes="-draw \"circle 8,9 8,10.5\" -draw \"circle 16,9 16,10.5\"" ;;
        1) eyes="-draw \"line 6,9 10,9\" -draw \"line 14,9 18,9\"" ;;
        *) eyes="-draw \"ellipse 8,9 1.5,2.5 0,360\" -draw \"ellipse 16,9 1.5,2.5 0,360\"" ;;
    esac
    eval convert -size 24x24 xc:none -fill "'$fill'" -stroke "'#5a4a2a'" -strokewidth 1 \
        -draw "'circle 12,12 12,1.5'" -fill "'#3b2f1a'" -stroke "'#3b2f1a'" $eyes \
        -fill none -strokewidth 1.5 -draw "'$mouth'" "'$here/face/face_$i.png'"
    i=$((i + 1))
done

# Status logo: online and offline.
convert -size 24x24 xc:none -fill '#2fbf71' -draw 'circle 12,12 12,2' \
    -fill none -stroke white -strokewidth 2.5 -draw 'polyline 7,12 11,16 17,8' "$here/logo-online.png"
convert -size 24x24 xc:none -fill '#a3acb9' -draw 'circle 12,12 12,2' \
    -fill none -stroke white -strokewidth 2.5 -draw 'line 8,12 16,12' "$here/logo-offline.png"

# File-kind icons: a page with a coloured band naming the kind.
for kind in picture:'#2fbf71':IMG audio:'#f0932b':AUD video:'#8e5bd6':VID document:"$accent":DOC other:'#8a94a6':FILE; do
    name=${kind%%:*}; rest=${kind#*:}; colour=${rest%%:*}; label=${rest#*:}
    convert -size 36x44 xc:none -fill white -stroke '#c8ced8' -strokewidth 1 \
        -draw 'polygon 1,1 26,1 35,10 35,43 1,43' -fill '#e3e7ee' -draw 'polygon 26,1 26,10 35,10' \
        -stroke none -fill "$colour" -draw 'rectangle 1,26 35,38' \
        -fill white -font DejaVu-Sans-Bold -pointsize 9 -gravity south -annotate +0+7 "$label" \
        "$here/file-$name.png"
done

# Skin: the frame around the inner window.
convert -size 302x660 gradient:'#3d8ef0'-'#1f5fbf' \
    \( -size 302x660 xc:none -fill white -draw 'roundrectangle 0,0 301,659 10,10' \) \
    -compose copy_opacity -composite "$zephon/images/defaultskin.png"

# No time stamps in the files, so running the script again changes nothing.
mogrify -strip -define png:exclude-chunk=date,time \
    "$here"/userpic/*.png "$here"/face/*.png "$here"/*.png "$zephon/images/defaultskin.png"
