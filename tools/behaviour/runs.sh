# shellcheck shell=bash
# The runs that show the game behaves the same: sourced, never run, by
# tools/same-behaviour.sh (one build against another) and tests/web/runner.sh
# (the browser build's runner against the native one). Needs $inputs set to
# this folder. Each entry is "name|runner options"; the options are words.
# shellcheck disable=SC2034 # used by the scripts that source it
runs=(
    "idle|--frames 600 --shot 0:s0.bmp --shot 300:s300.bmp --shot 599:s599.bmp"
    "scenes|--frames 12000 --input $inputs/scenes.txt --shot 100:score.bmp --shot 300:play.bmp --shot 1350:result.bmp --shot 1600:editor.bmp"
    "joystick|--frames 1300 --input $inputs/joystick.txt --shot 250:play.bmp --shot 1290:late.bmp"
    "autoplay|--frames 20000 --autoplay --clock 12345 --shot 5000:a.bmp --shot 12000:b.bmp --shot 19999:c.bmp"
)
