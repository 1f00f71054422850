#!/usr/bin/env bash
# The manual pages and the bash completion against what the programs' parsers
# know, read from their --help here independently of the code that writes
# them: every command and option is in the manual page and is completed, and
# neither names an option no parser knows.
#
#   CheckOptions.sh PELLMORA PELLMORA_CLI PAGES_FOLDER COMPLETION
set -uo pipefail
app=$(realpath "$1") cli=$(realpath "$2") pages=$(realpath "$3") completion=$(realpath "$4")
failures=0

fail()
{
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# The option spellings of a --help text: "-h", "--help", "--link", ...
help_options()
{
    sed -n '/^Options:/,/^$/p' | grep -E '^  -' | sed -E 's/^  //; s/  .*//; s/ <.*//; s/, /\n/g' | sort -u
}

# The options a manual page names, as written: "\-\-link" is "--link".
page_options()
{
    grep -oE '\\fB(\\-)+[a-z]([a-z]|\\-)*' "$1" | sed -E 's/^\\fB//; s/\\-/-/g' | sort -u
}

# What the completion offers for the words given, the last one being
# completed, one a line, sorted.
complete_words()
{
    (
        # shellcheck source=/dev/null
        source "$completion"
        COMP_WORDS=(pellmora-cli "$@")
        COMP_CWORD=$#
        _pellmora_cli
        printf '%s\n' "${COMPREPLY[@]}" | sort
    )
}

same()
{
    local what=$1 expected=$2 actual=$3
    [[ $expected == "$actual" ]] ||
        fail "$what: expected [$(echo $expected)], got [$(echo $actual)]"
}

export HOME=/nonexistent
commands=$("$cli" --help | sed -n '/^Commands:/,/^$/p' | awk '/^  pellmora-cli /{print $2}')
[[ -n $commands ]] || fail "pellmora-cli --help lists no command"
same "commands completed" "$(sort <<<"$commands")" "$(complete_words '')"
same "options before the command" "$("$cli" --help | help_options)" "$(complete_words -)"

known=$( (
    "$app" --help
    "$cli" --help
    for command in $commands; do "$cli" "$command" --help; done
) | help_options)

# pellmora-cli: each command and its options.
cli_page=$pages/pellmora-cli.1
for command in $commands; do
    options=$("$cli" "$command" --help | help_options)
    same "options of $command completed" "$options" "$(complete_words "$command" -)"
    grep -q "^\\\\fB$command\\\\fR" "$cli_page" || fail "pellmora-cli.1 lacks the command $command"
    for option in $options; do
        grep -qF -- "\\fB${option//-/\\-}\\fR" "$cli_page" || fail "pellmora-cli.1 lacks $option of $command"
    done
done
for option in $(page_options "$cli_page"); do
    grep -qxF -- "$option" <<<"$known" || fail "pellmora-cli.1 names $option, which no parser knows"
done

# pellmora.
for option in $("$app" --help | help_options); do
    grep -qF -- "\\fB${option//-/\\-}\\fR" "$pages/pellmora.1" || fail "pellmora.1 lacks $option"
done
for option in $(page_options "$pages/pellmora.1"); do
    grep -qxF -- "$option" <<<"$known" || fail "pellmora.1 names $option, which no parser knows"
done

# Values: the link names and the faults as --help lists them, the ports.
links=$("$cli" test --help | grep -oE -- '--link <[^>]*>' | sed -E 's/.*<(.*)>/\1/; s/\|/\n/g' | sort)
same "--link values" "$links" "$(complete_words test --link '')"
same "--link= values" "$links" "$(complete_words test --link = '')"
faults=$("$cli" test --help | tr -s ' \n' ' ' | grep -oE 'repeatable: [^.]*\.' |
    sed -E 's/repeatable: //; s/\.$//; s/, /\n/g' | sort)
same "--sim-fault values" "$faults" "$(complete_words program x.plm --sim-fault '')"
same "--port values" "$(printf 'COM%s\n' 1 2 3 4)" "$(complete_words read --port '')"
same "--wording values after a value" "$(printf '%s\n' 1 2 3 4)" "$(complete_words show --on Zap --wording '')"

# Files: program files and folders, not other files.
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
mkdir "$folder/programs"
touch "$folder/a.plm" "$folder/B.PLM" "$folder/notes.txt"
cd "$folder" || exit 1
same "program files" "$(printf '%s\n' B.PLM a.plm programs | sort)" "$(complete_words show '')"
same "program file after options" "$(printf '%s\n' B.PLM a.plm programs | sort)" \
    "$(complete_words verify --link sim --sim-fault flip-bit '')"
same "the output of import" "$(printf '%s\n' B.PLM a.plm programs | sort)" "$(complete_words import notes.txt -o '')"
same "a second argument" "" "$(complete_words show a.plm '')"

((failures == 0)) && echo "commands, options and values agree"
((failures == 0))
