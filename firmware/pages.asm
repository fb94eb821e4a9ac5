; pages.asm: choosing and drawing pages, the keys every page shares, the
; start page, the character page, the display test and switching off.

; handle_key: acts on key r44: first the keys that work on every page,
; then the page's own.
handle_key: tsb r44,K_OFF
            jmp z,power_off
            ld r24,PG_MENU
            tsb r44,K_MENU
            jmp z,set_page
            ld r24,PG_CALC
            tsb r44,K_CALC
            jmp z,set_page
            ld r24,PG_MEMO
            tsb r44,K_MEMO
            jmp z,set_page
            ld r24,PG_CHAR
            tsb r44,K_CHAR
            jmp z,set_page
            tsb r44,K_TEST
            jmp z,.test
            tsb r44,K_CUR
            jmp z,.shape
            tsb r44,K_CLK0
            jmp z,.clock
            ld r24,(iy+O_PAGE)
            tsb r24,PG_CALC
            jmp z,calc_key
            tsb r24,PG_MEMO
            jmp z,memo_key
            tsb r24,PG_CHAR
            jmp z,char_key
            jmp menu_key            ; the start page
.test:      cal display_test
            jmp show_page
.shape:     ld r24,(iy+O_SHAPE)
            xr r24,1
            st (iy+O_SHAPE),r24
            jmp lcd_cursor_shape
.clock:     pst ie,0                ; the interrupt must not count meanwhile
            cal clock_zero
            pst ie,IE_TIMER
            jmp draw_status

; menu_key: a key that starts a calculation (a digit, a sign, "(" or ".")
; opens the calculator with it typed; the start page's other keys do nothing.
menu_key:   ldw ix,calckeys
            ld r100,(ix+r44)
            tsb r100,0
            jmp z,.none
            tsb r100,')'
            jmp z,.none
            ld r24,PG_CALC
            cal set_page            ; keeps r44, the key being handled
            jmp calc_key
.none:      rtn

to_menu:    ld r24,PG_MENU
            ; fall through

; set_page: shows page r24.
set_page:   st (iy+O_PAGE),r24
            ; fall through

; show_page: draws the status line and the page in v_page.
show_page:  cal lcd_clear_page
            cal draw_status
            ld r24,(iy+O_PAGE)
            tsb r24,PG_CALC
            jmp z,calc_show
            tsb r24,PG_MEMO
            jmp z,memo_show
            tsb r24,PG_CHAR
            jmp z,char_show
            ; fall through

; menu_show: the start page: name, version and the page keys.
menu_show:  cal cursor_none
            ld r24,1
            ld r27,MENU_ROWS
            ldw ix,menu_text
            jmp lcd_rows

; char_show: the character page: 64 codes from v_charpg x 64 on four rows,
; with their range above. Uses r24..r27, r31, r96..r101, r103, ix, iz.
char_show:  cal cursor_none
            ld r31,(iy+O_CHARPG)
            ld r24,6
.times64:   biu r31
            sb r24,1
            jmp nz,.times64
            ld r103,r31
            ldw iz,v_num-1
            ld r27,0
            ldw ix,text_codes
            cal emit_str
            ld r24,r103
            cal put_hex
            ldw ix,text_to
            cal emit_str
            ld r24,r103
            ad r24,63
            cal put_hex
            ld r100,0
            st +(iz),r100
            ld r24,1
            ldw ix,v_num
            cal lcd_row
            ld r100,r31
            ld r24,2
.row:       ld r25,0
            ld r26,OP_REPLACE
            cal lcd_at
            ld r101,COLS
.code:      stle r100,LCD_DATA
            ad r100,1
            sb r101,1
            jmp nz,.code
            ad r24,1
            tsb r24,6
            jmp nz,.row
            ld r24,7
            ldw ix,text_more
            jmp lcd_row

; char_key: Up and Down turn the pages, Home and End go to the first and
; the last; Esc goes back to the start page.
char_key:   tsb r44,K_ESC
            jmp z,to_menu
            ld r24,(iy+O_CHARPG)
            tsb r44,K_UP
            jmp nz,.down
            sb r24,1
            jmp .set
.down:      tsb r44,K_DOWN
            jmp nz,.home
            ad r24,1
            jmp .set
.home:      tsb r44,K_HOME
            jmp nz,.end
            ld r24,0
            jmp .set
.end:       tsb r44,K_END
            jmp nz,.none
            ld r24,3
.set:       an r24,&H03
            st (iy+O_CHARPG),r24
            jmp char_show
.none:      rtn

; display_test: every dot on, then two checkerboards, each for a moment.
; Uses r24, r25, r88..r101.
display_test:
            cal cursor_none
            ldm r88..r95,0
            invm r88..r95
            cal lcd_fill_screen
            cal wait_step
            ld r88,&HAA             ; columns of dots on rows 0, 2, 4, 6 ...
            ld r89,&H55             ; ... and on rows 1, 3, 5, 7
            ld r90,&HAA
            ld r91,&H55
            ld r92,&HAA
            ld r93,&H55
            ld r94,&HAA
            ld r95,&H55
            cal lcd_fill_screen
            cal wait_step
            invm r88..r95
            cal lcd_fill_screen
            ; fall through

; wait_step: waits TEST_STEP timer ticks. Uses r24.
wait_step:  ld r24,r118
            ad r24,TEST_STEP
.wait:      tsb r24,r118
            jmp nz,.wait
            rtn

; power_off: waits until no key is held (a held wake key would wake the
; machine at once), notes the off in RAM and switches off. The next start
; comes from the wake key.
power_off:  cal scan_keys
            tsb r44,0
            jmp nz,power_off
            ld r24,1
            st (iy+O_OFF),r24
            off
