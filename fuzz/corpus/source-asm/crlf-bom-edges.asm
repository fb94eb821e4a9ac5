	org &H17FF
last: jmp last
	data &HBFFE
	db 1,2
x1: y_2: _z:
