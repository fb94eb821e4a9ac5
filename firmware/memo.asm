; memo.asm: the memo page, a text of up to MEMO_MAX characters kept in
; RAM, so that it is still there at the next start. Lines wrap after 16
; characters and at a line break (LF); rows 1..7 show seven of them.

; memo_key: what key r44 does on the memo page.
memo_key:   tsb r44,K_ESC
            jmp z,to_menu
            tsb r44,K_LEFT
            jmp z,.left
            tsb r44,K_RIGHT
            jmp z,.right
            tsb r44,K_UP
            jmp z,.up
            tsb r44,K_DOWN
            jmp z,.down
            tsb r44,K_HOME
            jmp z,.home
            tsb r44,K_END
            jmp z,.end
            tsb r44,K_DEL
            jmp z,.erase
            tsb r44,K_123
            jmp z,.mode
            tsb r44,K_CLR
            jmp z,.clear
            ld r100,LF
            tsb r44,K_ENTER
            jmp z,.insert
            ldw ix,memokeys
            ld r24,(iy+O_MODE123)
            tsb r24,0
            jmp z,.letter
            ldw ix,memokeys123
.letter:    ld r100,(ix+r44)
            tsb r100,0
            jmp z,.none
.insert:    cal memo_insert
            jmp memo_show
.left:      ld r25,(iy+O_MEMOCUR)
            tsb r25,0
            jmp z,.none
            sb r25,1
            jmp .cursor
.right:     ld r25,(iy+O_MEMOCUR)
            ld r101,r25
            ld r28,(iy+O_MEMOLEN)
            tsb r101,r28
            jmp z,.none
            ad r25,1
            jmp .cursor
.up:        cal .where
            tsb r83,0
            jmp nz,.above
            ld r25,0                ; on the first row: to the start
            jmp .cursor
.above:     ld r29,r83
            sb r29,1
            ld r30,r84
            jmp .find
.down:      cal .where
            ld r29,r83
            ad r29,1
            ld r30,r84
            jmp .find
.home:      cal .where
            ld r29,r83
            ld r30,0
            jmp .find
.end:       cal .where
            ld r29,r83
            ld r30,COLS
.find:      cal memo_find
.cursor:    st (iy+O_MEMOCUR),r25
            jmp memo_show
.erase:     cal memo_erase
            jmp memo_show
.mode:      ld r24,(iy+O_MODE123)
            xr r24,1
            st (iy+O_MODE123),r24
            jmp draw_status
.clear:     ld r24,0
            st (iy+O_MEMOLEN),r24
            st (iy+O_MEMOCUR),r24
            st (iy+O_MEMOTOP),r24
            jmp memo_show
.where:     ld r25,(iy+O_MEMOCUR)
            jmp memo_pos
.none:      rtn

; memo_advance: moves row r83, column r84 past the character r24.
memo_advance:
            tsb r24,LF
            jmp z,.newline
            ad r84,1
            tsb r84,COLS
            jmp nz,.done
.newline:   ad r83,1
            ld r84,0
.done:      rtn

; memo_pos: row r83 and column r84 of text index r25. Uses r24, r101, ix.
memo_pos:   ld r83,0
            ld r84,0
            ld r101,0
            ldw ix,v_memo
.next:      tsb r101,r25
            jmp z,.done
            ld r24,(ix)+
            ad r101,1
            cal memo_advance
            jmp .next
.done:      rtn

; memo_find: in r25 the last text index on row r29 whose column is at
; most r30; the end of the text when row r29 is past the last row.
; Uses r24, r28, r83, r84, r101, ix.
memo_find:  ld r83,0
            ld r84,0
            ld r101,0
            ldw ix,v_memo
            ld r28,(iy+O_MEMOLEN)
            ld r25,(iy+O_MEMOLEN)
.index:     tsb r83,r29
            jmp c,.next             ; a row above
            jmp nz,.done            ; a row below: done
            tsb r84,r30
            jmp z,.take
            jmp nc,.next            ; right of the column
.take:      ld r25,r101
.next:      tsb r101,r28
            jmp z,.done
            ld r24,(ix)+
            ad r101,1
            cal memo_advance
            jmp .index
.done:      rtn

; memo_insert: inserts the character r100 at the cursor when there is
; room, and moves the cursor past it. Uses r25, r26, r28, r101, r102, ix, iz.
memo_insert:
            ld r28,(iy+O_MEMOLEN)
            tsb r28,MEMO_MAX
            jmp z,.full
            ld r25,(iy+O_MEMOCUR)
            ld r101,r28
            sb r101,r25             ; characters after the cursor
            ld r26,(iy+O_MEMOLEN)
            ldw ix,v_memo-1
            ldw iz,v_memo
.move:      tsb r101,0              ; from the end down: text[i] = text[i-1]
            jmp z,.put
            ld r102,(ix+r26)
            st (iz+r26),r102
            sb r26,1
            sb r101,1
            jmp .move
.put:       st (iz+r25),r100
            ad r28,1
            st (iy+O_MEMOLEN),r28
            ad r25,1
            st (iy+O_MEMOCUR),r25
.full:      rtn

; memo_erase: erases the character before the cursor.
; Uses r25, r26, r28, r101, r102, ix, iz.
memo_erase: ld r25,(iy+O_MEMOCUR)
            tsb r25,0
            jmp z,.none
            ld r28,(iy+O_MEMOLEN)
            ld r101,r28
            sb r101,r25
            ld r26,(iy+O_MEMOCUR)
            ldw ix,v_memo
            ldw iz,v_memo-1
.move:      tsb r101,0              ; text[i-1] = text[i] from the cursor on
            jmp z,.done
            ld r102,(ix+r26)
            st (iz+r26),r102
            ad r26,1
            sb r101,1
            jmp .move
.done:      sb r28,1
            st (iy+O_MEMOLEN),r28
            sb r25,1
            st (iy+O_MEMOCUR),r25
.none:      rtn

; memo_show: scrolls the cursor's row into view and draws the memo rows
; and the cursor. Uses r24..r31, r83, r84, r96..r103, ix, iz.
memo_show:  ld r25,(iy+O_MEMOCUR)
            cal memo_pos
            ld r24,(iy+O_MEMOTOP)
            tsb r83,r24
            jmp nc,.below           ; row >= top
            ld r24,r83
            jmp .top
.below:     ad r24,MEMO_ROWS
            tsb r83,r24
            jmp c,.within           ; row < top + 7
            ld r24,r83
            sb r24,MEMO_ROWS-1
            jmp .top
.within:    sb r24,MEMO_ROWS
.top:       st (iy+O_MEMOTOP),r24
            ld r102,r24
            sb r83,r24
            ad r83,1                ; screen row of the cursor
            ld r25,r83
            st (iy+O_CURROW),r25
            ld r25,r84
            st (iy+O_CURCOL),r25
            ldw iz,v_shadow-1       ; the rows as they will look
            ld r100,' '
            ld r101,MEMO_ROWS*COLS
.blank:     st +(iz),r100
            sb r101,1
            jmp nz,.blank
            ld r83,0
            ld r84,0
            ld r101,0
            ldw ix,v_memo
            ldw iz,v_shadow
            ld r28,(iy+O_MEMOLEN)
.walk:      tsb r101,r28
            jmp z,.draw
            ld r24,(ix)+
            ad r101,1
            tsb r24,LF
            jmp z,.advance
            ld r25,r83
            sb r25,r102             ; row on the screen, counted from row 1
            tsb r25,MEMO_ROWS
            jmp nc,.advance         ; out of view
            ld r103,r25
            diu r103                ; x 16
            ld r26,r84
            ad r103,r26
            ld r25,r103
            ld r100,r24
            st (iz+r25),r100
.advance:   cal memo_advance
            jmp .walk
.draw:      ldw ix,v_shadow
            ld r24,1
.row:       ld r25,0
            ld r26,OP_REPLACE
            cal lcd_at
            ld r27,COLS
            cal lcd_putn
            ad r24,1
            tsb r24,ROWS
            jmp nz,.row
            ld r24,(iy+O_CURROW)
            ld r25,(iy+O_CURCOL)
            jmp cursor_place
