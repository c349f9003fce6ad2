"""Builds the engine's character, assets/char.fbx, in Blender and exports it.

    blender --background --factory-startup --python tools/make_character.py [-- <output.fbx>]

A walking humanoid of two meshes (body and head) on a 42-bone skeleton, textured through
blessing-1x.png (tools/make_texture.py paints it for the same layout, tools/character/layout.py).

The file is laid out for the engine's import (Assimp with ConvertToLeftHanded): Blender's z-up, -y-forward
scene is exported y-up with -z forward, which the import's handedness flip turns into a character that
stands along +y, faces -z (towards the engine's camera at (0, 0, -4)) and keeps its left hand on +x.
The axis change is baked into the mesh data (the mesh nodes are identity), so even unskinned vertices
stand upright; the armature node carries it for the bones. The bind pose is 3 units tall, from y = -1.5
to +1.5. Units are exported 1:1 (UnitScaleFactor 1), so the size does not depend on whether a reader
applies the file's unit scale. No leaf bones are added: every bone deforms.

The output is reproducible, byte for byte: Blender's FBX exporter derives object ids from Python's string
hash and stamps the current time, and Blender sums vertex normals on several threads in varying order. So
the script runs itself again in a Blender with a fixed hash seed and one thread, and fixes the clock.
"""

import datetime
import os
import subprocess
import sys

import bpy
from mathutils import Matrix

TOOLS = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, TOOLS)

from character import body, skeleton, walk  # noqa: E402  (needs the path above)

MODEL_HEIGHT = 3.0
# Skeleton units (a 1.8 m figure on z = 0) to model units: 3 units tall, centred on the origin.
MODEL_SCALE = MODEL_HEIGHT / skeleton.HEIGHT
TO_MODEL = Matrix.Scale(MODEL_SCALE, 4) @ Matrix.Translation((0.0, 0.0, -skeleton.HEIGHT / 2))
TEXTURE_FILE = "blessing-1x.png"
FIXED_TIME = datetime.datetime(2024, 1, 1)
PINNED_RUN = "MAKE_CHARACTER_PINNED_RUN"  # set in the environment of the reproducible run


def rerun_reproducibly():
    """Runs this script again in a Blender with a fixed string hash and one thread; exits with its code."""
    env = dict(os.environ, PYTHONHASHSEED="0", **{PINNED_RUN: "1"})
    command = [bpy.app.binary_path, "--background", "--factory-startup", "--python-use-system-env",
               "--threads", "1", "--python-exit-code", "1",
               "--python", os.path.abspath(__file__), "--"] + script_arguments()
    sys.exit(subprocess.call(command, env=env))


def script_arguments():
    return sys.argv[sys.argv.index("--") + 1:] if "--" in sys.argv else []


def output_path():
    arguments = script_arguments()
    if arguments:
        return os.path.abspath(arguments[0])
    return os.path.join(os.path.dirname(TOOLS), "engine", "assets", "char.fbx")


def new_scene():
    bpy.ops.wm.read_factory_settings(use_empty=True)
    scene = bpy.context.scene
    scene.render.fps = walk.FRAMES_PER_SECOND
    scene.render.fps_base = 1.0
    scene.frame_start = 0
    scene.frame_end = walk.FRAMES
    scene.unit_settings.system = 'METRIC'
    scene.unit_settings.scale_length = 1.0
    return scene


def make_armature(scene, bones):
    data = bpy.data.armatures.new("Armature")
    armature = bpy.data.objects.new("Armature", data)
    scene.collection.objects.link(armature)
    bpy.context.view_layer.objects.active = armature
    bpy.ops.object.mode_set(mode='EDIT')
    for bone in bones:
        edit = data.edit_bones.new(bone.name)
        edit.head = TO_MODEL @ bone.head
        edit.tail = TO_MODEL @ bone.tail
        edit.roll = 0.0
        if bone.parent:
            edit.parent = data.edit_bones[bone.parent]
            edit.use_connect = (edit.parent.tail - edit.head).length < 1e-6
    bpy.ops.object.mode_set(mode='OBJECT')
    return armature


def make_material(name):
    material = bpy.data.materials.new(name)
    material.use_nodes = True
    image = bpy.data.images.get(TEXTURE_FILE) or bpy.data.images.new(TEXTURE_FILE, 4, 4)
    image.source = 'FILE'
    image.filepath = "//" + TEXTURE_FILE
    nodes = material.node_tree.nodes
    texture = nodes.new("ShaderNodeTexImage")
    texture.image = image
    material.node_tree.links.new(texture.outputs["Color"], nodes["Principled BSDF"].inputs["Base Color"])
    return material


def make_mesh_object(scene, name, part, armature, material):
    mesh = bpy.data.meshes.new(name)
    mesh.from_pydata([TO_MODEL @ p for p in part.positions], [], part.faces)
    uv_layer = mesh.uv_layers.new(name="UVMap")
    corner = 0
    for uvs in part.face_uvs:
        for x, y in uvs:
            uv_layer.data[corner].uv = (x, 1.0 - y)  # Blender's v runs bottom-up
            corner += 1
    for polygon in mesh.polygons:
        polygon.use_smooth = True
    mesh.materials.append(material)
    mesh.validate()

    obj = bpy.data.objects.new(name, mesh)
    scene.collection.objects.link(obj)
    groups = {}
    for index, weights in enumerate(part.weights):
        for bone, weight in weights.items():
            if weight > 0.0:
                if bone not in groups:
                    groups[bone] = obj.vertex_groups.new(name=bone)
                groups[bone].add([index], weight, 'REPLACE')
    obj.parent = armature
    modifier = obj.modifiers.new("Armature", 'ARMATURE')
    modifier.object = armature
    return obj


def animate(armature, bones):
    """Keys every bone on every frame of the loop from the walk cycle's turns."""
    action = bpy.data.actions.new("Walk")
    armature.animation_data_create()
    armature.animation_data.action = action
    rest = {bone.name: armature.data.bones[bone.name].matrix_local.copy() for bone in bones}
    previous = {}
    for frame in range(walk.FRAMES + 1):
        phase = (frame % walk.FRAMES) / walk.FRAMES
        turns = walk.pose_at(phase)
        moved = {}  # per bone: armature-space motion of the bone and everything below it
        for bone in bones:
            head = rest[bone.name].translation
            turn = turns[bone.name].to_matrix().to_4x4()
            local = Matrix.Translation(head) @ turn @ Matrix.Translation(-head)
            if bone.parent is None:
                local = Matrix.Translation(walk.hips_lift(phase) * MODEL_SCALE) @ local
            parent_motion = moved[bone.parent] if bone.parent else Matrix.Identity(4)
            moved[bone.name] = parent_motion @ local
            pose_bone = armature.pose.bones[bone.name]
            pose_bone.rotation_mode = 'QUATERNION'
            pose_bone.matrix_basis = (parent_motion @ rest[bone.name]).inverted() @ moved[bone.name] @ rest[bone.name]
            rotation = pose_bone.rotation_quaternion.copy()
            if bone.name in previous and previous[bone.name].dot(rotation) < 0.0:
                rotation.negate()  # keep neighbouring keys on the same side of the quaternion sphere
            pose_bone.rotation_quaternion = rotation
            previous[bone.name] = rotation
            pose_bone.keyframe_insert("rotation_quaternion", frame=frame, group=bone.name)
            pose_bone.keyframe_insert("location", frame=frame, group=bone.name)
    for curve in action.fcurves:
        for key in curve.keyframe_points:
            key.interpolation = 'LINEAR'


def export(path):
    # Blender's exporter stamps the current time into the file; a fixed clock keeps the bytes stable.
    from io_scene_fbx import export_fbx_bin

    class FixedClock(datetime.datetime):
        @classmethod
        def now(cls, tz=None):
            return FIXED_TIME

    export_fbx_bin.datetime = type("datetime_module", (), {"datetime": FixedClock})
    os.makedirs(os.path.dirname(path), exist_ok=True)
    bpy.context.scene.frame_set(0)
    bpy.ops.export_scene.fbx(
        filepath=path, use_selection=False, object_types={'ARMATURE', 'MESH'},
        # 1 Blender unit = 1 file unit, UnitScaleFactor 1.
        apply_unit_scale=True, global_scale=0.01, apply_scale_options='FBX_SCALE_NONE',
        # Y up, -Z forward, baked into the meshes (the armature node still carries it for the bones).
        axis_forward='-Z', axis_up='Y', bake_space_transform=True,
        use_mesh_modifiers=False, mesh_smooth_type='OFF', use_tspace=False, use_triangles=False,
        add_leaf_bones=False, primary_bone_axis='Y', secondary_bone_axis='X',
        use_armature_deform_only=True, armature_nodetype='NULL',
        bake_anim=True, bake_anim_use_all_bones=True, bake_anim_use_nla_strips=False,
        bake_anim_use_all_actions=False, bake_anim_force_startend_keying=True, bake_anim_step=1.0,
        bake_anim_simplify_factor=0.0,
        path_mode='STRIP', embed_textures=False, use_metadata=True)


def main():
    if os.environ.get(PINNED_RUN) != "1" or sys.flags.hash_randomization:
        rerun_reproducibly()
    scene = new_scene()
    bones = skeleton.build_skeleton()
    armature = make_armature(scene, bones)
    make_mesh_object(scene, "CharacterBody", body.body_mesh(), armature, make_material("Clothes"))
    make_mesh_object(scene, "CharacterHead", body.head_mesh(), armature, make_material("Face"))
    animate(armature, bones)
    path = output_path()
    try:
        export(path)
    except OSError as error:
        print("make_character: cannot write %s: %s" % (path, error.strerror), file=sys.stderr)
        sys.exit(1)
    print("make_character: wrote %s (%d bones, %d frames at %d fps)"
          % (path, len(bones), walk.FRAMES, walk.FRAMES_PER_SECOND))


main()
