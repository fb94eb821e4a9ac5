; bcd.asm: decimal floating-point arithmetic on the processor's decimal
; instructions. A is r64..r71 (mantissa), r80..r81 (exponent), r82 (sign);
; B is r0..r7, r16..r17, r18. Mantissas are 16 binary-coded decimal digits,
; lowest byte first; a number uses digits 0..14 with digit 14 not 0, and
; digit 15 is headroom for a carry. The value is d14.d13...d0 x 10^E.
; Errors leave through calc_fail with the error code in r20.

; check_exp: makes A zero when its mantissa is, or when E < -99 (too small
; to show); E > 99 is an overflow. Leaves A alone otherwise.
check_exp:  tsbm r64..r71,0
            jmp z,set_zero
            tsb r81,0
            jmp nz,.negative
            tsb r80,100
            jmp nc,overflow
            rtn
.negative:  tsb r81,&HFF
            jmp nz,.far
            tsb r80,&H9D            ; -99
            jmp c,set_zero
            rtn
.far:       tan r81,&H80
            jmp z,overflow
            ; fall through: far below -99

; set_zero: A = 0.
set_zero:   ldm r64..r71,0
            ldm r80..r82,0
            rtn

overflow:   ld r20,ERR_OVERFLOW
            jmp calc_fail

; negate_a: A = -A (zero stays unsigned).
negate_a:   tsbm r64..r71,0
            jmp z,.done
            xr r82,1
.done:      rtn

; bcd_add: A = A + B. B is lost. Uses r24, r83.
bcd_add:    tsbm r0..r7,0
            jmp z,.done
            tsbm r64..r71,0
            jmp nz,.both
            ldm r64..r71,r0..r7     ; 0 + B
            ldm r80..r82,r16..r18
.done:      rtn
.both:      sbm r80..r81,r16..r17   ; D = EA - EB
            tan r81,&H80
            jmp z,.larger
            adm r80..r81,r16..r17   ; B has the larger exponent: swap
            xcm r64..r71,r0..r7
            xcm r80..r82,r16..r18
            sbm r80..r81,r16..r17
.larger:    tsbm r80..r81,0
            jmp nz,.align
            tsbbm r64..r71,r0..r7   ; same exponent: the larger mantissa into A
            jmp nc,.align
            xcm r64..r71,r0..r7
            xc r82,r18
.align:     tsb r81,0               ; B below A's last digit counts as 0
            jmp nz,.tiny
            tsb r80,16
            jmp nc,.tiny
            ld r24,r80
            ld r83,r24
.shift:     tsb r83,0
            jmp z,.aligned
            didm r7..r0
            sb r83,1
            jmp .shift
.tiny:      ldm r0..r7,0
.aligned:   adm r80..r81,r16..r17   ; back to A's exponent
            tsb r82,r18
            jmp nz,.subtract
            adbm r64..r71,r0..r7
            tan r71,&HF0
            jmp z,check_exp
            didm r71..r64           ; a carry into digit 15
            adm r80..r81,1
            jmp check_exp
.subtract:  sbbm r64..r71,r0..r7    ; |A| >= |B|: no borrow
            tsbm r64..r71,0
            jmp z,set_zero
.normal:    tan r71,&H0F
            jmp nz,check_exp
            dium r64..r71
            sbm r80..r81,1
            jmp .normal

; bcd_mul: A = A x B, digit by digit of B from the lowest: P = P/10 +
; digit x X. After the 15 digits P = X x Y / 10^14, so it has 15 or 16
; digits. B is lost. Uses r8..r15, r83, r84.
bcd_mul:    tsbm r64..r71,0
            jmp z,set_zero
            tsbm r0..r7,0
            jmp z,set_zero
            xr r82,r18
            adm r80..r81,r16..r17
            ldm r8..r15,r64..r71    ; X
            ldm r64..r71,0          ; P
            ld r84,15
.digit:     didm r71..r64
            ld r83,r0
            an r83,&H0F
.add:       tsb r83,0
            jmp z,.next
            adbm r64..r71,r8..r15
            sb r83,1
            jmp .add
.next:      didm r7..r0
            sb r84,1
            jmp nz,.digit
            tan r71,&HF0
            jmp z,check_exp
            didm r71..r64
            adm r80..r81,1
            jmp check_exp

; bcd_div: A = A / B by long division: 16 quotient digits, each counted by
; subtracting B from the remainder. B = 0 is an error. Uses r8..r15, r24,
; r72..r79, r83, r84.
bcd_div:    tsbm r0..r7,0
            jmp nz,.divisor
            ld r20,ERR_DIV0
            jmp calc_fail
.divisor:   tsbm r64..r71,0
            jmp z,set_zero
            xr r82,r18
            sbm r80..r81,r16..r17
            ldm r72..r79,0          ; quotient
            ld r84,16
.digit:     ld r83,0
.count:     tsbbm r64..r71,r0..r7
            jmp c,.put              ; remainder below B
            sbbm r64..r71,r0..r7
            ad r83,1
            jmp .count
.put:       dium r72..r79
            ld r24,r83
            or r72,r24
            dium r64..r71
            sb r84,1
            jmp nz,.digit
            ldm r8..r15,r72..r79
            ldm r64..r71,r8..r15
            tan r71,&HF0
            jmp z,.below            ; quotient of mantissas below 1
            didm r71..r64
            jmp check_exp
.below:     sbm r80..r81,1
            jmp check_exp

; round_a: rounds A's mantissa to r84 significant digits (1..15), half
; away from zero, and clears the digits after them. Uses r0..r7, r24,
; r25, r83.
round_a:    ldm r0..r7,0
            ld r0,5
            ld r24,r84
            ld r83,14
            sb r83,r24              ; 5 goes at digit 14 - N
.place:     tsb r83,0
            jmp z,.add
            dium r0..r7
            sb r83,1
            jmp .place
.add:       adbm r64..r71,r0..r7
            ld r83,15
            sb r83,r24              ; the 15 - N digits after the kept ones
            ld r25,r83
.down:      tsb r83,0
            jmp z,.back
            didm r71..r64
            sb r83,1
            jmp .down
.back:      ld r83,r25
.up:        tsb r83,0
            jmp z,.carry
            dium r64..r71
            sb r83,1
            jmp .up
.carry:     tan r71,&HF0
            jmp z,.done
            didm r71..r64           ; 9.99.. became 10.0..
            adm r80..r81,1
.done:      rtn

; format_a: writes A into v_num as text of at most 16 characters,
; zero-ended, its length in r27: plain notation for exponents -4..11
; (12 significant digits, fewer below -2 so that it fits), otherwise
; d.dddddddddE-nn with 10 significant digits. r20 = ERR_OVERFLOW when
; rounding carried the exponent past 99. Uses r0..r17, r24, r25, r27,
; r83, r84, r100, r102, ix, iz.
format_a:   ld r20,0
            ld r27,0
            ldw iz,v_num-1
            tsbm r64..r71,0
            jmp nz,.nonzero
            ld r100,'0'
            cal emit
            jmp .end
.nonzero:   ldm r8..r15,r64..r71    ; kept for a second rounding
            ldm r16..r17,r80..r81
            ld r102,0
            ld r84,12
            tsb r81,0
            jmp nz,.negexp
            tsb r80,12
            jmp c,.round
            jmp .science
.negexp:    tsb r80,&HFE            ; -2 and -1: 12 digits
            jmp nc,.round
            tsb r80,&HFC            ; below -4
            jmp c,.science
            ld r24,r80
            ad r24,14
            ld r84,r24              ; -4: 10 digits, -3: 11
            jmp .round
.science:   ld r102,1
            ld r84,10
.round:     cal round_a
            tsb r102,0
            jmp nz,.rounded
            tsb r81,0
            jmp nz,.rounded
            tsb r80,12
            jmp c,.rounded
            ldm r64..r71,r8..r15    ; rounding reached 10^12: E notation
            ldm r80..r81,r16..r17
            jmp .science
.rounded:   tsb r81,0
            jmp nz,.digits
            tsb r80,100
            jmp c,.digits
            ld r20,ERR_OVERFLOW
            rtn
.digits:    ldw ix,v_digits-1       ; the kept digits as characters
            ld r24,r84
            ld r83,r24
.take:      ld r24,r71
            an r24,&H0F
            ad r24,'0'
            st +(ix),r24
            dium r64..r71
            sb r83,1
            jmp nz,.take
.trim:      tsb r84,1               ; trailing zeros go, the first digit stays
            jmp z,.sign
            ld r24,(ix+0)
            tsb r24,'0'
            jmp nz,.sign
            sbw ix,1
            sb r84,1
            jmp .trim
.sign:      ldw ix,v_digits
            tsb r82,0
            jmp z,.notation
            ld r100,'-'
            cal emit
.notation:  tsb r102,0
            jmp nz,.exponent
            tsb r81,0
            jmp nz,.small
            ld r24,r80              ; E + 1 digits before the point
            ad r24,1
            ld r83,r24
.integer:   cal emit_digit
            sb r83,1
            jmp nz,.integer
            tsb r84,0
            jmp z,.end
            ld r100,'.'
            cal emit
.fraction:  cal emit_digit
            tsb r84,0
            jmp nz,.fraction
            jmp .end
.small:     ld r100,'0'
            cal emit
            ld r100,'.'
            cal emit
            ld r24,r80
            ld r83,r24
            cmp r83                 ; -E
            sb r83,1                ; -E - 1 zeros after the point
.zeros:     tsb r83,0
            jmp z,.fraction
            ld r100,'0'
            cal emit
            sb r83,1
            jmp .zeros
.exponent:  cal emit_digit
            tsb r84,0
            jmp z,.e
            ld r100,'.'
            cal emit
.mantissa:  cal emit_digit
            tsb r84,0
            jmp nz,.mantissa
.e:         ld r100,'E'
            cal emit
            ld r24,r80
            ld r83,r24
            tsb r81,0
            jmp z,.positive
            ld r100,'-'
            cal emit
            cmp r83
.positive:  ld r100,'0'
.tens:      tsb r83,10
            jmp c,.ones
            sb r83,10
            ad r100,1
            jmp .tens
.ones:      cal emit
            ld r24,r83
            ld r100,r24
            ad r100,'0'
            cal emit
.end:       ld r100,0
            st +(iz),r100
            rtn

; emit_digit: appends the next digit from (ix), counting r84 down, or a
; '0' once they have run out. Uses r27, r84, r100, ix, iz.
emit_digit: ld r100,'0'
            tsb r84,0
            jmp z,emit
            ld r100,(ix)+
            sb r84,1
            jmp emit
