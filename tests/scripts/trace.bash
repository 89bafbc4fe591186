# Comparing traces: sourced, never run.

# game_fields TRACE: the trace without what depends on the wall clock.
game_fields() {
    sed 's/"clock":[0-9]*,//' "$1"
}

# same_trace EXPECTED ACTUAL: true when the two agree in every field that
# depends on the game; otherwise false with the first frame and field that
# differ in $difference.
difference=""
same_trace() {
    difference=""
    local line
    line=$(cmp <(game_fields "$1") <(game_fields "$2") 2>&1 | sed -n 's/.* line \([0-9]*\).*/\1/p')
    if [ -z "$line" ]; then
        cmp -s <(game_fields "$1") <(game_fields "$2") && return 0
        difference="one trace stops early: $(wc -l <"$1") frames expected, $(wc -l <"$2") run"
        return 1
    fi
    local want got
    want=$(game_fields "$1" | sed -n "${line}p")
    got=$(game_fields "$2" | sed -n "${line}p")
    # The fields one by one, up to the first that differs.
    local field
    field=$(paste -d '\n' <(tr ',' '\n' <<<"$want") <(tr ',' '\n' <<<"$got") |
        awk 'NR % 2 == 1 { w = $0; next } w != $0 { print "expected " w ", got " $0; exit }')
    difference="frame $(sed 's/^{"frame":\([0-9]*\).*/\1/' <<<"$want"): $field"
    return 1
}
