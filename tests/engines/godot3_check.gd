# Loads sheet.tres and sheet.tscn from the project folder as a game would and
# prints, per animation: frames, speed, loop, then each frame's page file and
# region; per scene node: its animation and offset.
extends SceneTree

func _init():
	var frames = load("res://sheet.tres")
	var scene = load("res://sheet.tscn")
	if frames == null or scene == null:
		print("cannot load the resource or the scene")
		quit(1)
		return
	for name in frames.get_animation_names():
		var line = "%s frames=%d speed=%s loop=%s" % [name, frames.get_frame_count(name),
			frames.get_animation_speed(name), frames.get_animation_loop(name)]
		for i in range(frames.get_frame_count(name)):
			var texture = frames.get_frame(name, i)
			line += " %s:%s" % [texture.atlas.resource_path.get_file(), texture.region]
		print(line)
	for node in scene.instance().get_children():
		print("%s %s offset=%s" % [node.name, node.animation, node.offset])
	quit(0)
