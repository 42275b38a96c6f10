#!/bin/sh
# Every instruction of the shipped PE runs on an 80386 with an 80387. Each function's bytes, where
# the linker map places them in .text, are disassembled, and every mnemonic must be the 386's or
# the 387's. Only the functions are read: the data that the linker puts into .text (the
# constructor lists) is never taken for code.
# Usage: check_i386_code.sh OBJDUMP PE MAP
set -eu
objdump=$1 pe=$2 map=$3

# The input sections of .text, from the map: address, size and name, a line each. A long name
# has its address and size on the next line.
functions=$(awk '
    /^\.text / { text = 1; next }
    /^\.[a-z]/ { text = 0 }
    !text { next }
    /^ \.text/ { name = $1; if (NF < 3) next; sub(/^ *[^ ]+/, "") }
    name != "" {
        if ($1 !~ /^0x0+$/ && $2 !~ /^0x0+$/) print $1, $2, name
        name = ""
    }' "$map")
[ -n "$functions" ] || { echo "FAILED: the map names no code in .text"; exit 1; }

echo "$functions" | while read -r address size name; do
    echo "function $name"
    "$objdump" -d -M intel --start-address="$address" \
        --stop-address="$(printf '0x%x' $((address + size)))" "$pe"
done | awk '
    BEGIN {
        # The 80386 and 80387 instruction sets, as objdump names them.
        split("aaa aad aam aas adc add and arpl bound bsf bsr bt btc btr bts call cbw cdq clc " \
              "cld cli clts cmc cmp cmps cmpsb cmpsd cmpsw cwd cwde daa das dec div enter hlt " \
              "idiv imul in inc ins insb insd insw int int3 into iret iretd iretw ja jae jb jbe " \
              "jcxz je jecxz jg jge jl jle jmp jne jno jnp jns jo jp js lahf lar lcall lds lea " \
              "leave les lfs lgdt lgs lidt ljmp lldt lmsw lods lodsb lodsd lodsw loop loope " \
              "loopne lret lsl lss ltr mov movs movsb movsd movsw movsx movzx mul neg nop not or " \
              "out outs outsb outsd outsw pop popa popad popaw popf popfd popfw push pusha " \
              "pushad pushaw pushf pushfd pushfw rcl rcr ret retf rol ror sahf sal sar sbb scas " \
              "scasb scasd scasw seta setae setb setbe sete setg setge setl setle setne setno " \
              "setnp setns seto setp sets sgdt shl shld shr shrd sidt sldt smsw stc std sti stos " \
              "stosb stosd stosw str sub test verr verw wait xchg xlat xor " \
              "f2xm1 fabs fadd faddp fbld fbstp fchs fclex fcom fcomp fcompp fcos fdecstp fdiv " \
              "fdivp fdivr fdivrp ffree fiadd ficom ficomp fidiv fidivr fild fimul fincstp finit " \
              "fist fistp fisub fisubr fld fld1 fldcw fldenv fldl2e fldl2t fldlg2 fldln2 fldpi " \
              "fldz fmul fmulp fnclex fninit fnop fnsave fnstcw fnstenv fnstsw fpatan fprem " \
              "fprem1 fptan frndint frstor fsave fscale fsin fsincos fsqrt fst fstcw fstenv fstp " \
              "fstsw fsub fsubp fsubr fsubrp ftst fucom fucomp fucompp fwait fxam fxch fxtract " \
              "fyl2x fyl2xp1", words, " ")
        for (i in words) known[words[i]] = 1
        split("cs ds es fs gs ss data16 addr16 lock rep repe repz repne repnz", words, " ")
        for (i in words) prefix[words[i]] = 1
    }
    /^function / { function_name = substr($2, 7); functions++; next }
    # An instruction: address, bytes, then the instruction; a long one spills bytes alone.
    /^ *[0-9a-f]+:\t/ {
        split($0, field, "\t")
        if (field[3] == "") next
        n = split(field[3], word, " ")
        first = 1
        while (first < n && word[first] in prefix) first++
        # The 386 has the one-byte NOP (0x90) only; the Pentium Pro added 0F 1F with an operand.
        if (!(word[first] in known) || (word[first] == "nop" && first < n)) {
            sub(/^ */, "", field[1])
            sub(/ *$/, "", field[2])
            printf "FAILED: %s %s (%s) in %s is not an 80386 or 80387 instruction\n",
                   field[1], field[3], field[2], function_name
            bad++
        }
        instructions++
    }
    END {
        if (instructions == 0) { print "FAILED: no instructions were read"; exit 1 }
        if (bad) exit 1
        printf "ok: %d instructions in %d functions, all of the 80386 and 80387\n",
               instructions, functions
    }'
