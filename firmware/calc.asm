; calc.asm: the calculator page. The calculation is typed as text (digits,
; '.', + - * /, parentheses and "Ans", the last result) on rows 2 and 3;
; Enter evaluates it with the usual precedence and shows the result,
; right-aligned, on row 5.

; calc_show: draws the page and places the cursor.
calc_show:  cal calc_draw
            ld r24,5
            ldw ix,v_result
            cal lcd_row
            jmp calc_cursor

; calc_draw: the calculation on rows 2 and 3, padded with spaces.
; Uses r24..r26, r96..r101, ix, iz.
calc_draw:  ld r24,2
            ld r25,0
            ld r26,OP_REPLACE
            cal lcd_at
            ldw ix,v_calc
            ld r101,CALC_MAX
.next:      ld r100,(ix)+
            tsb r100,0
            jmp z,.pad
            stle r100,LCD_DATA
            sb r101,1
            jmp nz,.next
            rtn
.pad:       ld r100,' '
.space:     stle r100,LCD_DATA      ; row 2 runs on into row 3
            sb r101,1
            jmp nz,.space
            rtn

; calc_cursor: the cursor after the last character (on the last one when
; both rows are full).
calc_cursor:
            ld r25,(iy+O_CALCLEN)
            ld r24,2
            tsb r25,CALC_MAX
            jmp nz,.fits
            ld r25,CALC_MAX-1
.fits:      tsb r25,COLS
            jmp c,.place
            sb r25,COLS
            ld r24,3
.place:     jmp cursor_place

; calc_key: what key r44 does on the calculator page.
calc_key:   tsb r44,K_ESC
            jmp z,calc_clear
            tsb r44,K_DEL
            jmp z,calc_erase
            tsb r44,K_ENTER
            jmp z,calc_enter
            tsb r44,K_ANS
            jmp z,calc_ans
            ldw ix,calckeys
            ld r100,(ix+r44)
            tsb r100,0
            jmp z,.none
            jmp calc_type
.none:      rtn

; calc_type: types the character r100. After a result, an operator goes
; on from "Ans" and anything else starts a new calculation.
calc_type:  cal calc_fresh
            jmp nc,.append
            tsb r100,'+'
            jmp z,.continue
            tsb r100,'-'
            jmp z,.continue
            tsb r100,'*'
            jmp z,.continue
            tsb r100,'/'
            jmp nz,.append
.continue:  ld r24,r100
            cal calc_append_ans
            ld r100,r24
.append:    cal calc_append
            jmp calc_redraw

; calc_ans: types "Ans", the last result.
calc_ans:   cal calc_fresh
            cal calc_append_ans
            jmp calc_redraw

; calc_fresh: after a result, empties the calculation and the result line
; and sets C; otherwise clears C. Uses r24, r101, iz.
calc_fresh: ld r24,(iy+O_DONE)
            tsb r24,0
            jmp z,.editing          ; (tsb cleared C)
            ld r24,0
            st (iy+O_DONE),r24
            st (iy+O_CALCLEN),r24
            ldw iz,v_calc
            st (iz+0),r24
            cal calc_no_result
            ld r24,1
            tsb r24,2               ; sets C
.editing:   rtn

; calc_no_result: an empty result line. Uses r24, iz.
calc_no_result:
            ldw iz,v_result
            ld r24,0
            st (iz+0),r24
            rtn

; calc_append_ans: appends "Ans" when it fits. Uses r25, r100, r101, iz.
calc_append_ans:
            ld r25,(iy+O_CALCLEN)
            tsb r25,CALC_MAX-2
            jmp nc,.full
            ld r100,'A'
            cal calc_append
            ld r100,'n'
            cal calc_append
            ld r100,'s'
            jmp calc_append
.full:      rtn

; calc_append: appends the character r100 when there is room.
; Uses r25, r101, iz.
calc_append:
            ld r25,(iy+O_CALCLEN)
            tsb r25,CALC_MAX
            jmp z,.full
            ldw iz,v_calc
            st (iz+r25),r100
            ad r25,1
            ld r101,0
            st (iz+r25),r101
            st (iy+O_CALCLEN),r25
.full:      rtn

; calc_erase: erases the last character ("Ans" as a whole).
calc_erase: ld r24,0
            st (iy+O_DONE),r24
            ld r25,(iy+O_CALCLEN)
            tsb r25,0
            jmp z,calc_redraw
            sb r25,1
            ldw iz,v_calc
            ld r100,(iz+r25)
            tsb r100,'s'            ; only "Ans" has an s
            jmp nz,.cut
            tsb r25,2
            jmp c,.cut
            sb r25,2
.cut:       ld r101,0
            st (iz+r25),r101
            st (iy+O_CALCLEN),r25
            jmp calc_redraw

; calc_clear: empties the calculation and the result line.
calc_clear: ld r24,0
            st (iy+O_DONE),r24
            st (iy+O_CALCLEN),r24
            ldw iz,v_calc
            st (iz+0),r24
            cal calc_no_result
            ld r24,5
            ldw ix,v_result
            cal lcd_row
            ; fall through

; calc_redraw: the calculation and the cursor again.
calc_redraw:
            cal calc_draw
            jmp calc_cursor

; calc_enter: evaluates the calculation and shows the result or the error.
calc_enter: ld r25,(iy+O_CALCLEN)
            tsb r25,0
            jmp z,.none
            cal evaluate
            tsb r20,0
            jmp nz,.error
            ldw iz,v_ans-1          ; every digit, for Ans
            stm +(iz),r64..r71
            stm +(iz),r80..r82
            cal format_a
            tsb r20,0
            jmp nz,.error
            ld r24,1
            st (iy+O_DONE),r24
            jmp .show
.error:     ldw ix,err_syntax
            tsb r20,ERR_SYNTAX
            jmp z,.message
            ldw ix,err_div0
            tsb r20,ERR_DIV0
            jmp z,.message
            ldw ix,err_overflow
.message:   ldw iz,v_num-1
            ld r27,0
            cal emit_str
            ld r100,0
            st +(iz),r100
.show:      cal right_align
            ld r24,5
            ldw ix,v_result
            cal lcd_row
            jmp calc_cursor
.none:      rtn

; right_align: v_result = v_num (r27 characters) right-aligned in a row.
; Uses r83, r100, ix, iz.
right_align:
            ldw iz,v_result-1
            ld r83,COLS
            sb r83,r27
            ld r100,' '
.space:     tsb r83,0
            jmp z,.copy
            st +(iz),r100
            sb r83,1
            jmp .space
.copy:      ldw ix,v_num
.char:      ld r100,(ix)+
            st +(iz),r100
            tsb r100,0
            jmp nz,.char
            rtn

; evaluate: A = the value of the calculation in v_calc, r20 = 0; or r20 =
; an error code. An error anywhere below leaves through calc_fail, which
; returns to evaluate's caller with the stack as it was.
evaluate:   ld r20,0
            ld r85,r63              ; the stack pointer to return with
            ld r22,r127
            ldw ix,v_calc
            cal parse_expr
            ld r24,(ix+0)
            tsb r24,0
            jmp nz,syntax_error     ; something left over, such as a ')'
            rtn

syntax_error:
            ld r20,ERR_SYNTAX
calc_fail:  ld r63,r85
            ld r127,r22
            rtn

; parse_expr: A = terms joined by + and -, from ix on.
parse_expr: cal parse_term
.next:      ld r24,(ix+0)
            tsb r24,'+'
            jmp z,.add
            tsb r24,'-'
            jmp z,.add
            rtn
.add:       adw ix,1
            stm -(sp),r71..r64      ; keep A
            stm -(sp),r82..r80
            st -(sp),r24            ; and the operator
            cal parse_term
            ldm r0..r7,r64..r71     ; B = the term
            ldm r16..r18,r80..r82
            ld r24,(sp)+
            ldm r80..r82,(sp)+      ; A back
            ldm r64..r71,(sp)+
            tsb r24,'+'
            jmp z,.sum
            xr r18,1
.sum:       cal bcd_add
            jmp .next

; parse_term: A = factors joined by * and /.
parse_term: cal parse_factor
.next:      ld r24,(ix+0)
            tsb r24,'*'
            jmp z,.op
            tsb r24,'/'
            jmp z,.op
            rtn
.op:        adw ix,1
            stm -(sp),r71..r64
            stm -(sp),r82..r80
            st -(sp),r24
            cal parse_factor
            ldm r0..r7,r64..r71
            ldm r16..r18,r80..r82
            ld r24,(sp)+
            ldm r80..r82,(sp)+
            ldm r64..r71,(sp)+
            tsb r24,'*'
            jmp z,.product
            cal bcd_div
            jmp .next
.product:   cal bcd_mul
            jmp .next

; parse_factor: A = -factor, (expression), Ans or a number. A ')' missing
; at the end is taken as there.
parse_factor:
            ld r24,(ix+0)
            tsb r24,'-'
            jmp nz,.paren
            adw ix,1
            cal parse_factor
            jmp negate_a
.paren:     tsb r24,'('
            jmp nz,.ans
            adw ix,1
            cal parse_expr
            ld r24,(ix+0)
            tsb r24,')'
            jmp nz,.open
            adw ix,1
            rtn
.open:      tsb r24,0
            jmp nz,syntax_error
            rtn
.ans:       tsb r24,'A'
            jmp nz,parse_number
            ld r24,(ix+1)           ; "Ans" whole, whatever RAM holds
            tsb r24,'n'
            jmp nz,syntax_error
            ld r24,(ix+2)
            tsb r24,'s'
            jmp nz,syntax_error
            adw ix,3
            ldw iz,v_ans
            ldm r64..r71,(iz)+
            ldm r80..r82,(iz)+
            rtn

; parse_number: A = the decimal number at ix; ix moves past it. Digits
; after the 15th only scale the number. Uses r24, r83, r84, r101.
parse_number:
            ldm r64..r71,0
            ldm r80..r82,0          ; E counts the digits before the point
            ld r83,0                ; significant digits kept
            ld r84,0                ; 1 after the point
            ld r101,0               ; 1 once a digit was seen
.next:      ld r24,(ix+0)
            tsb r24,'.'
            jmp z,.point
            sb r24,'0'
            jmp c,.end
            tsb r24,10
            jmp nc,.end
            adw ix,1
            ld r101,1
            tsb r83,0
            jmp nz,.digit
            tsb r24,0
            jmp nz,.digit
            tsb r84,0               ; a leading zero: after the point it
            jmp z,.next             ; moves the first digit down
            sbm r80..r81,1
            jmp .next
.digit:     tsb r83,15
            jmp z,.scale
            dium r64..r71
            or r64,r24
            ad r83,1
.scale:     tsb r84,0
            jmp nz,.next
            adm r80..r81,1
            jmp .next
.point:     adw ix,1
            tsb r84,0
            jmp nz,syntax_error     ; a second point
            ld r84,1
            jmp .next
.end:       tsb r101,0
            jmp z,syntax_error      ; no digit at all
            tsb r83,0
            jmp z,set_zero
.normal:    tsb r83,15
            jmp z,.exponent
            dium r64..r71
            ad r83,1
            jmp .normal
.exponent:  sbm r80..r81,1          ; the first digit is the ones
            jmp check_exp
