"""The rooms of the shipped cave, one module a room, each a character map (MAP, drawn
with canvas.LEGEND) and a note on what the room teaches and how its light runs."""
