; varnox.asm: the emulator's own firmware. A start page, a calculator, a
; memo kept in RAM, the character set and a display test, with a status
; line that shows the page, the time since power-on and the print switch.
; Assemble with: varnox-tool asm varnox.asm -o DIR
            include "defs.asm"

            org 0
; start: where the processor begins after a reset and after a wake. A
; wake (off noted in RAM, and KO still as off left it) goes back to the
; page that was shown; a reset shows the start page.
start:      ldw sp,STACK_TOP
            ldw iy,RAM_BASE
            gst r30,ko
            cal ram_check
            ld r31,(iy+O_OFF)
            ld r24,0
            st (iy+O_OFF),r24
            cal clock_init
            cal lcd_init
            pst ie,IE_TIMER
            pst ko,KO_SELFTEST
            gst r24,ki
            tan r24,KI_SELFTEST
            cal nz,display_test
            tsb r31,0
            jmp z,.home
            tsb r30,KO_WAKE
            jmp z,.shown
.home:      ld r24,PG_MENU
            st (iy+O_PAGE),r24
.shown:     cal show_page
            cal scan_keys           ; a key held from before is no press
            ld r87,r44

; main_loop: redraws the status line when a second passes or the print
; switch moves, blinks the cursor, and acts on the keys.
main_loop:  tsb r104,r54
            jmp z,.switch
            ld r104,r54
            cal draw_status
.switch:    cal print_mode
            tsb r107,r24
            jmp z,.blink
            cal draw_status
.blink:     tsb r105,r53
            jmp z,.keys
            ld r105,r53
            tsb r108,0
            jmp z,.keys
            xr r106,1
            cal lcd_cursor_mode
.keys:      cal poll_keys
            tsb r44,0
            jmp z,main_loop
            cal handle_key
            jmp main_loop

; ram_check: sets the variables up when RAM does not hold them yet (no
; signature), and otherwise brings any value out of its range back into
; it, since RAM may have been edited. Uses r24..r26, r100, r101, ix, iz.
ram_check:  ldw ix,v_sig
            ldw iz,signature
            ld r25,4
.sig:       ld r24,(ix)+
            ld r100,(iz)+
            tsb r100,r24
            jmp nz,.fresh
            sb r25,1
            jmp nz,.sig
            ld r24,(iy+O_PAGE)
            tsb r24,PG_COUNT
            jmp c,.calc
            ld r24,PG_MENU
            st (iy+O_PAGE),r24
.calc:      ld r25,(iy+O_CALCLEN)
            tsb r25,CALC_MAX+1
            jmp c,.end
            ld r25,0
            st (iy+O_CALCLEN),r25
.end:       ldw iz,v_calc
            ld r101,0
            st (iz+r25),r101        ; the calculation ends at its length
            ldw iz,v_result
            ld r25,COLS
            st (iz+r25),r101
            ld r24,(iy+O_SHAPE)
            an r24,1
            st (iy+O_SHAPE),r24
            ld r24,(iy+O_MODE123)
            an r24,1
            st (iy+O_MODE123),r24
            ld r24,(iy+O_CHARPG)
            an r24,3
            st (iy+O_CHARPG),r24
            ld r24,(iy+O_MEMOLEN)
            tsb r24,MEMO_MAX+1
            jmp c,.cursor
            ld r24,0
            st (iy+O_MEMOLEN),r24
.cursor:    ld r25,(iy+O_MEMOCUR)
            ld r101,r25
            tsb r101,r24
            jmp c,.done
            st (iy+O_MEMOCUR),r24   ; at most at the end
.done:      rtn
.fresh:     ldw ix,RAM_BASE-1       ; every variable 0 up to the memo text
            ld r25,v_memo-RAM_BASE
.zero:      st +(ix),0
            sb r25,1
            jmp nz,.zero
            ldw ix,v_sig-1
            ldw iz,signature
            ld r25,4
.copy:      ld r24,(iz)+
            st +(ix),r24
            sb r25,1
            jmp nz,.copy
            rtn

            include "lcd.asm"
            include "keys.asm"
            include "clock.asm"
            include "pages.asm"
            include "calc.asm"
            include "bcd.asm"
            include "memo.asm"
            include "text.asm"
